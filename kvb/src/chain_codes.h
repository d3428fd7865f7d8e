// Secondary codes (KVBerr) of the chained-start blocks, in the range the
// library keeps for number editing and chained start (200-299).
#ifndef DEXT_KVB_SRC_CHAIN_CODES_H_
#define DEXT_KVB_SRC_CHAIN_CODES_H_

#include <cstdint>

#include "status.h"

namespace kvb {

enum ChainCode : int16_t {
  kChainOk = 0,
  kChainBadIndex = 201,      // parameter index outside 0..47
  kChainNoFolder = 202,      // no private folder: KVB_CHAIN_DIR, XDG_RUNTIME_DIR, HOME all unusable
  kChainUnsafeFolder = 203,  // folder is a link, not the user's, or writable by group or others
  kChainUnsafeBlock = 204,   // block file is a link, not the user's, or writable by group or others
  kChainDamaged = 205,       // block file does not read as a block
  kChainIo = 206,            // the system refused a read, write, sync or rename
  kChainTextTooLong = 207,   // parameter text longer than kChainTextMax
  kChainNoBlock = 208,       // no block under the handle (tools only; KVBdataget gives "")
};

// The status that goes with a chained-start code.
inline int16_t ChainStatusOf(int16_t code) {
  switch (code) {
    case kChainOk:
      return kOk;
    case kChainNoFolder:
    case kChainNoBlock:
      return kStatusNotFound;
    case kChainUnsafeFolder:
    case kChainUnsafeBlock:
    case kChainDamaged:
      return kStatusBadFile;
    case kChainIo:
      return kStatusIo;
    default:
      return kStatusBadRequest;
  }
}

// Records a chained-start failure as the thread's last failure and returns
// its status; success records nothing and returns 0.
inline int16_t ChainResult(int16_t code) {
  if (code == kChainOk) return kOk;
  return FailWith(ChainStatusOf(code), code);
}

// One line describing a chained-start code, for kvbtool.
inline const char* DescribeChainCode(int16_t code) {
  switch (code) {
    case kChainBadIndex:
      return "parameter index outside 0..47";
    case kChainNoFolder:
      return "no private folder (set KVB_CHAIN_DIR, XDG_RUNTIME_DIR or HOME)";
    case kChainUnsafeFolder:
      return "chain folder is not private to this user";
    case kChainUnsafeBlock:
      return "block file is not private to this user";
    case kChainDamaged:
      return "block file is damaged";
    case kChainIo:
      return "input/output error";
    case kChainTextTooLong:
      return "parameter text too long";
    case kChainNoBlock:
      return "no block under this handle";
    default:
      return Describe(code);
  }
}

}  // namespace kvb

#endif  // DEXT_KVB_SRC_CHAIN_CODES_H_

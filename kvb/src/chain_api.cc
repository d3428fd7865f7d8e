// KVBdataput, KVBdataget, KVBgetfiles, KVBdatafree: the chained-start
// blocks of kvb.h over the private per-user folder of chain_store.h.
#include <cstring>
#include <string>

#include "chain_codes.h"
#include "chain_store.h"
#include "kvb.h"

namespace {

// Opens the user's chain folder; returns a ChainCode.
int16_t OpenFolder(kvb::ChainFolder* folder) { return folder->Open(kvb::DefaultChainFolder()); }

// Loads the block under handle; records a refusal as the last failure.
bool LoadBlock(int16_t handle, kvb::ChainBlock* block) {
  kvb::ChainFolder folder;
  int16_t code = OpenFolder(&folder);
  bool found = false;
  if (code == kvb::kChainOk) code = folder.Load(handle, block, &found);
  kvb::ChainResult(code);
  return code == kvb::kChainOk && found;
}

}  // namespace

extern "C" {

int16_t KVBdataput(int16_t handle, int16_t index, const char* text) {
  if (text == nullptr) return kvb::Fail(kvb::kBadArgument);
  if (index < 0 || index >= kvb::kChainParameters) return kvb::ChainResult(kvb::kChainBadIndex);
  kvb::ChainFolder folder;
  int16_t code = OpenFolder(&folder);
  if (code == kvb::kChainOk) code = folder.Update(handle, index, text);
  return kvb::ChainResult(code);
}

const char* KVBdataget(int16_t handle, int16_t index) {
  thread_local std::string result;
  result.clear();
  if (index < 0 || index >= kvb::kChainParameters) {
    kvb::ChainResult(kvb::kChainBadIndex);
    return result.c_str();
  }
  kvb::ChainBlock block;
  if (LoadBlock(handle, &block)) result = block[index];
  return result.c_str();
}

// Parameter 45 of the block is the network type of the calling program. It
// replaces the caller's text, cut or padded with blanks to the text's own
// length; with no block, or an empty parameter 45, the text stays as it is.
void KVBgetfiles(int16_t handle, char* network_type) {
  if (network_type == nullptr) return;
  kvb::ChainBlock block;
  if (!LoadBlock(handle, &block) || block[45].empty()) return;
  const size_t length = std::strlen(network_type);
  std::string fitted = block[45].substr(0, length);
  fitted.resize(length, ' ');
  std::memcpy(network_type, fitted.data(), length);
}

void KVBdatafree(int16_t handle) {
  kvb::ChainFolder folder;
  int16_t code = OpenFolder(&folder);
  if (code == kvb::kChainOk) code = folder.Remove(handle);
  kvb::ChainResult(code);
}

}  // extern "C"

#include <cstdint>

#include "records/checked.h"
#include "records/library.h"
#include "session/orderly_end.h"
#include "session/session.h"
#include "transfer/postings.h"

namespace dext {
namespace {

// The library's status and secondary code for "no record at the position".
constexpr int16_t kNotFoundStatus = 1;
constexpr int16_t kNoRecordCode = 19;

}  // namespace

bool ReadAtPosition(int16_t file) {
  SessionContext& session = Session();
  session.LastStatus = ReadRecord(file, 512);
  if (session.LastStatus == 0) return true;
  if (session.LastStatus == kNotFoundStatus &&
      Library().KVBerr(session.FileBase) == kNoRecordCode) {
    return false;
  }
  ShowErrorAndEnd();
}

}  // namespace dext

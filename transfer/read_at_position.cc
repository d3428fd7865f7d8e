#include <cstdint>

#include "records/checked.h"
#include "records/library.h"
#include "session/orderly_end.h"
#include "context/session.h"
#include "transfer/postings.h"

namespace dext {
bool ReadAtPosition(int16_t file) {
  SessionContext& session = Session();
  session.LastStatus = ReadRecord(file, 512);
  if (session.LastStatus == 0) return true;
  if (session.ErrorInfo.Code == KVB_ERR_NO_RECORD) {
    return false;
  }
  ShowErrorAndEnd();
}

}  // namespace dext

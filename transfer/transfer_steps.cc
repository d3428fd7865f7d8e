// The two checks every step of the transfer goes through.
#include <cstdint>

#include "context/session.h"
#include "records/checked.h"
#include "session/orderly_end.h"
#include "transfer/postings.h"

namespace dext {

void CheckStatus(int16_t status) {
  Session().LastStatus = status;
  if (status != 0) ShowErrorAndEnd();
}

bool ReadAtPosition(FileNumber file) {
  SessionContext& session = Session();
  session.LastStatus = ReadRecord(file, KVB_READ_AT_POSITION);
  if (session.LastStatus == 0) return true;
  if (session.ErrorInfo.Code == KVB_ERR_NO_RECORD) return false;
  ShowErrorAndEnd();
}

}  // namespace dext

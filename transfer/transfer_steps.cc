#include "session/orderly_end.h"
#include "context/session.h"
#include "transfer/postings.h"

namespace dext {

int16_t TransferFile(int16_t offset) {
  return static_cast<int16_t>(Session().FileBase + offset);
}

void CheckStatus(int16_t status) {
  Session().LastStatus = status;
  if (status != 0) ShowErrorAndEnd();
}

}  // namespace dext

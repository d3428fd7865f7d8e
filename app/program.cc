#include "app/program.h"

#include "context/session.h"
#include "session/start.h"
#include "transfer/transfer.h"

namespace dext {

void Main(const std::string& command_line) {
  StartSession(command_line);
  Session().ResultWord = StartTransfer();
}

}  // namespace dext

#include "app/program.h"

#include "context/session.h"
#include "session/start.h"
#include "transfer/transfer.h"

namespace dext {

void Main(const std::string& command_line, TransferDriver& driver) {
  StartSession(command_line);
  Session().ResultWord = driver.StartTransfer();
}

}  // namespace dext

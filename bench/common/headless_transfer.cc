#include "bench/common/headless_transfer.h"

#include <cstdio>
#include <sstream>

#include "context/session.h"
#include "records/library.h"
#include "session/start.h"
#include "toolkit/front_end.h"
#include "toolkit/headless.h"
#include "transfer/file_system.h"
#include "transfer/transfer.h"

namespace dext::bench {

void TransferEnd::Report() const {
  std::fprintf(stderr, "transfer did not complete (status %d)%s%s\n", static_cast<int>(status),
               first_message.empty() ? "" : ": ", first_message.c_str());
}

TransferEnd RunHeadlessTransfer() {
  std::ostringstream ignored;
  toolkit::HeadlessFrontEnd front_end(ignored);
  toolkit::SetFrontEnd(&front_end);
  ResetSession();
  BindLibrary(LibKvb());
  StartSession("");
  TransferEnd end;
  FileSystem& files = PosixFiles();
  RunReport report(files);
  ToolkitRunScreen screen;
  TransferDriver driver(files, report, screen, TransferSettings{});
  try {
    driver.StartTransfer();
  } catch (const ProgramEnd& program_end) {
    end.status = program_end.status;
  } catch (const Stop& stop) {
    end.status = driver.EndOnStop(stop);
  }
  report.Finish(end.status);
  if (!front_end.messages().empty()) end.first_message = front_end.messages()[0];
  toolkit::SetFrontEnd(nullptr);
  return end;
}

}  // namespace dext::bench

// The transfer driver: opens the file set, claims the deal file, reads it
// deal by deal, marks each sold vehicle and runs the three postings of the
// deal.
#ifndef DEXT_TRANSFER_TRANSFER_H_
#define DEXT_TRANSFER_TRANSFER_H_

#include <chrono>
#include <cstdint>
#include <optional>

#include "screen/run_screen.h"
#include "session/orderly_end.h"
#include "transfer/file_system.h"
#include "transfer/run_report.h"
#include "transfer/transfer_files.h"

namespace dext {

struct TransferSettings {
  // Nobody can answer the locked-vehicle message (a headless run): the lock
  // is tried again once a second, and after this wait the transfer stops
  // with an error. None: the message asks the user.
  std::optional<std::chrono::seconds> unattended_lock_wait;
};

// What dext does from the saved destination to the end of the deals. One
// driver serves the whole program: StartTransfer runs again after the user
// confirms a destination.
class TransferDriver {
 public:
  // files: the work folder's (the deal file, DEXT.SKP).
  TransferDriver(FileSystem& files, RunReport& report, RunScreen& screen,
                 TransferSettings settings)
      : files_(files), report_(report), screen_(screen), settings_(settings) {}

  // Registers DestinationEntered for DNP and DestinationConfirmed for DPYN
  // with the screen.
  void RegisterProcedures();

  int16_t StartTransfer();
  int16_t DestinationEntered();
  int16_t DestinationConfirmed();

  // Ends the program on a stop caught where it runs: logs the error box's
  // text in DEXT.LOG, then shows it, with advice fit for where the run was
  // (a deal being posted, the deal file claimed, nothing begun), once the
  // deal being posted is undone and the files are closed. Returns kFailed.
  ExitStatus EndOnStop(const Stop& stop);

 private:
  std::string AdviceFor(const Stop& stop) const;

  FileSystem& files_;
  RunReport& report_;
  RunScreen& screen_;
  TransferSettings settings_;
};

}  // namespace dext

#endif  // DEXT_TRANSFER_TRANSFER_H_

// One transfer run, from the claim of its deal file to the end of the deals:
// what the deal loop and its steps work with, passed down to them.
#ifndef DEXT_TRANSFER_TRANSFER_RUN_H_
#define DEXT_TRANSFER_TRANSFER_RUN_H_

#include <chrono>
#include <cstdint>
#include <optional>

#include "screen/run_screen.h"
#include "transfer/deal_claim.h"
#include "transfer/deal_progress.h"
#include "transfer/file_system.h"
#include "transfer/run_report.h"
#include "transfer/transfer_files.h"

namespace dext {

struct TransferRun {
  TransferFiles files;      // the open target files
  DealFileClaim& claim;     // the claimed deal file, open at offset 1
  DealProgress& progress;   // how far earlier runs of the claim came
  FileSystem& work_folder;  // DEXT.SKP, and the claimed file's deletion
  RunReport& report;
  RunScreen& screen;
  std::optional<std::chrono::seconds> unattended_lock_wait;
};

// Reads the claimed deal file deal by deal and posts each deal not done
// before to the target files; ends the program after the last deal (or on
// the first failure, through the error box).
[[noreturn]] void TransferDeals(TransferRun& run);

}  // namespace dext

#endif  // DEXT_TRANSFER_TRANSFER_RUN_H_

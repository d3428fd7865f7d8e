// One transfer run in the benchmark's own process, as the dext program runs
// it headless in the current directory: a fresh session on the real
// libkvb, the driver, the run's report.
#ifndef DEXT_BENCH_COMMON_HEADLESS_TRANSFER_H_
#define DEXT_BENCH_COMMON_HEADLESS_TRANSFER_H_

#include <string>

#include "session/orderly_end.h"

namespace dext::bench {

struct TransferEnd {
  ExitStatus status = ExitStatus::kFailed;
  std::string first_message;  // of the boxes shown, empty when none was
  bool Complete() const { return status == ExitStatus::kTransferred && first_message.empty(); }
  // "transfer did not complete (status n): message" on standard error.
  void Report() const;
};

TransferEnd RunHeadlessTransfer();

}  // namespace dext::bench

#endif  // DEXT_BENCH_COMMON_HEADLESS_TRANSFER_H_

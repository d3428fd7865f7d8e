// dext killed (SIGKILL) at every write of the record files, then run again to
// the end: every file passes SQLite's integrity check, the deal file stays
// until the rerun has finished, and the target files end up exactly as an
// uninterrupted run leaves them. No field may differ: the deal journal lets
// the rerun rebuild the accounting records that the killed run wrote, so the
// postings that follow read the same buffer as in one run.
//
// CI sweeps a 5-deal dealership; DEXT_PROOF_CRASH_DEALS=30 sweeps a larger one.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <iostream>

#include "proof/dext_process.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

int DealsToSweep() {
  const char* deals = std::getenv("DEXT_PROOF_CRASH_DEALS");
  return deals != nullptr && std::atoi(deals) > 0 ? std::atoi(deals) : 5;
}

// What went wrong at one write point, empty when it recovered.
std::string RecoverAt(long write_point, const fs::path& pristine, const fs::path& trial,
                      const std::map<std::string, std::string>& reference, bool* reached) {
  CopyDealership(pristine, trial);
  const ProcessEnd killed =
      RunDext(trial, {{"KVB_FAULT_AT", std::to_string(write_point)}, {"KVB_FAULT_KILL", "1"}});
  *reached = killed.signal == SIGKILL;
  if (!*reached) {
    return killed.Exited(0) ? "" : "run ended with " + std::to_string(killed.exit_status) + ": " +
                                       killed.error_output;
  }
  std::string problems;
  if (!fs::exists(trial / "work" / "DEXT.DAT")) problems += "deal file gone after the kill; ";
  if (std::string found = CheckIntegrity(trial); found != "ok") {
    problems += "after the kill " + found;
  }
  const ProcessEnd rerun = RunDext(trial);
  if (!rerun.Exited(0)) problems += "rerun failed: " + rerun.error_output;
  if (fs::exists(trial / "work" / "DEXT.DAT")) problems += "deal file left after the rerun; ";
  if (std::string found = CheckIntegrity(trial); found != "ok") {
    problems += "after the rerun " + found;
  }
  problems += TargetDifferences(reference, trial);
  return problems;
}

TEST(CrashSweepTest, EveryWritePointRecoversToTheUninterruptedResult) {
  ScratchFolder scratch;
  const fs::path pristine = scratch.path() / "pristine";
  const fs::path reference_run = scratch.path() / "reference";
  const fs::path trial = scratch.path() / "trial";
  const int deals = DealsToSweep();
  MakeSampleDealership(pristine, deals, deals * 3, 11);
  CopyDealership(pristine, reference_run);
  const ProcessEnd uninterrupted = RunDext(reference_run);
  ASSERT_TRUE(uninterrupted.Exited(0)) << uninterrupted.error_output;
  const std::map<std::string, std::string> reference = DumpTargets(reference_run);

  long crashed = 0;
  int failures = 0;
  for (long point = 1;; ++point) {
    bool reached = false;
    const std::string problems = RecoverAt(point, pristine, trial, reference, &reached);
    if (!problems.empty() && ++failures <= 3) ADD_FAILURE() << "write " << point << ": " << problems;
    if (!reached) break;
    ++crashed;
  }
  if (failures > 0) scratch.Keep();
  // Each deal writes the sold vehicle, its accounting and customer records.
  EXPECT_GE(crashed, 3L * deals);
  EXPECT_EQ(failures, 0) << "write points that did not recover";
  std::cout << "deals " << deals << ": " << crashed << " write points crashed, "
            << crashed - failures << " recovered\n";
}

}  // namespace
}  // namespace dext::proof

// dext killed (SIGKILL) at every write of the record files and at every
// commit, and right before it claims (renames) and deletes the deal file,
// then run again to the end from another desk (another host name, the work
// folder through another path). Right after the kill each deal is in the
// files whole or not at all: the target files equal those of a run of the
// first k deals, for some k. After the rerun every file passes SQLite's
// integrity check, the deal file is gone, and the target files end up exactly
// as an uninterrupted run leaves them.
//
// CI sweeps a 5-deal dealership; DEXT_PROOF_CRASH_DEALS=30 sweeps a larger one.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <set>

#include "proof/dext_process.h"
#include "testing/fault_switches.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

int DealsToSweep() {
  const char* deals = std::getenv("DEXT_PROOF_CRASH_DEALS");
  return deals != nullptr && std::atoi(deals) > 0 ? std::atoi(deals) : 5;
}

using Dumps = std::map<std::string, std::string>;

// Runs dext on the first k deals, k = 0 .. deals, and hands each finished
// dealership to look.
void RunDealByDeal(const fs::path& pristine, const fs::path& scratch, int deals,
                   const std::function<void(const fs::path&)>& look) {
  const std::vector<std::string> records = DealFileRecords(pristine);
  for (int k = 0; k <= deals; ++k) {
    const fs::path run = scratch / "first-k";
    CopyDealership(pristine, run);
    WriteFile(run / "work" / "DEXT.DAT", DealFileText({records.begin(), records.begin() + 2 * k}));
    EXPECT_TRUE(RunDext(run).Exited(0)) << k << " deals";
    look(run);
  }
}

// What went wrong when dext is killed where the switches say and run again
// from another desk, empty when it recovered to the uninterrupted result
// (the last of deal_by_deal).
std::string RecoverAt(const Environment& kill_switches, const fs::path& pristine,
                      const fs::path& trial, const std::vector<Dumps>& deal_by_deal,
                      bool* reached) {
  const Dumps& reference = deal_by_deal.back();
  CopyDealership(pristine, trial);
  const ProcessEnd killed = RunDext(trial, kill_switches);
  *reached = killed.signal == SIGKILL;
  if (!*reached) {
    return killed.Exited(0) ? "" : "run ended with " + std::to_string(killed.exit_status) + ": " +
                                       killed.error_output;
  }
  std::string problems;
  // Killed after its deletion, the deal file is done: nothing is left to do.
  const bool kept = DealFileKept(trial / "work");
  if (std::string found = CheckIntegrity(trial); found != "ok") {
    problems += "after the kill " + found;
  }
  const Dumps after_kill = DumpTargets(trial);
  if (std::find(deal_by_deal.begin(), deal_by_deal.end(), after_kill) == deal_by_deal.end()) {
    problems += "after the kill a deal is in the files in part; ";
  }
  if (!kept && after_kill != reference) problems += "deal file gone before every deal was in; ";
  const ProcessEnd rerun = RunDext(trial, {}, {}, RunAs::kSelf, OtherDesk(trial));
  if (!rerun.Exited(kept ? 0 : 1)) problems += "rerun failed: " + rerun.error_output;
  if (DealFileKept(trial / "work")) problems += "deal file left after the rerun; ";
  // The progress of a claim goes with its file (but for a kill between the
  // two, which leaves a record that only takes room).
  if (kept && Count(DumpTarget(trial, "DEXTRUNS.DAT"), "\n") != 1) {
    problems += "progress left after the rerun; ";
  }
  if (std::string found = CheckIntegrity(trial); found != "ok") {
    problems += "after the rerun " + found;
  }
  problems += TargetDifferences(reference, trial);
  return problems;
}

TEST(CrashSweepTest, EveryWritePointRecoversToTheUninterruptedResult) {
  REQUIRE_KVB_FAULT_SWITCHES();
  ScratchFolder scratch;
  const fs::path pristine = scratch.path() / "pristine";
  const fs::path trial = scratch.path() / "trial";
  const int deals = DealsToSweep();
  MakeSampleDealership(pristine, deals, deals * 3, 11);
  // The target files after the first k deals; the last is the uninterrupted run.
  std::vector<Dumps> deal_by_deal;
  RunDealByDeal(pristine, scratch.path(), deals,
                [&](const fs::path& run) { deal_by_deal.push_back(DumpTargets(run)); });
  ASSERT_FALSE(::testing::Test::HasFailure()) << "a run of the first k deals failed";

  long crashed = 0;
  int failures = 0;
  for (const char* step : {"claim", "delete"}) {
    bool reached = false;
    const std::string problems =
        RecoverAt({{"DEXT_FAULT_KILL_AT", step}}, pristine, trial, deal_by_deal, &reached);
    if (!problems.empty() && ++failures <= 3) ADD_FAILURE() << "before " << step << ": " << problems;
    EXPECT_TRUE(reached) << "no kill before " << step;
    crashed += reached;
  }
  for (long point = 1;; ++point) {
    bool reached = false;
    const std::string problems =
        RecoverAt({{"KVB_FAULT_AT", std::to_string(point)}, {"KVB_FAULT_KILL", "1"}}, pristine,
                  trial, deal_by_deal, &reached);
    if (!problems.empty() && ++failures <= 3) ADD_FAILURE() << "write " << point << ": " << problems;
    if (!reached) break;
    ++crashed;
  }
  if (failures > 0) scratch.Keep();
  // Each deal writes the sold vehicle, its accounting and customer records
  // and its progress, and commits.
  EXPECT_GE(crashed, 5L * deals);
  EXPECT_EQ(failures, 0) << "write points that did not recover";
  std::cout << "deals " << deals << ": " << crashed << " write and commit points crashed, "
            << crashed - failures << " recovered\n";
}

// Another workstation reading the files while a transfer runs sees each deal
// whole or not at all: every consistent snapshot of the three target files
// equals that after some number of whole deals.
TEST(CrashSweepTest, AReaderNeverSeesHalfADeal) {
  ScratchFolder scratch;
  const fs::path pristine = scratch.path() / "pristine";
  const fs::path trial = scratch.path() / "trial";
  constexpr int kDeals = 30;
  MakeSampleDealership(pristine, kDeals, kDeals * 3, 17);
  std::set<std::string> whole;
  RunDealByDeal(pristine, scratch.path(), kDeals,
                [&](const fs::path& run) { whole.insert(SnapshotTargets(run)); });

  CopyDealership(pristine, trial);
  DextProcess transfer(trial, {});
  int snapshots = 0, in_part = 0;
  std::set<std::string> seen;
  for (int tick = 0; tick < 5000; ++tick) {
    const std::string snapshot = SnapshotTargets(trial);
    if (snapshot.empty()) continue;
    ++snapshots;
    seen.insert(snapshot);
    in_part += whole.count(snapshot) == 0;
    if (!DealFileKept(trial / "work")) break;
  }
  EXPECT_TRUE(transfer.Wait().Exited(0));
  EXPECT_EQ(in_part, 0) << "of " << snapshots << " snapshots";
  EXPECT_GT(seen.size(), 2u) << "the reader saw too few states to show anything";
  std::cout << snapshots << " snapshots during the transfer, " << seen.size()
            << " distinct states, " << in_part << " with a deal in part\n";
}

}  // namespace
}  // namespace dext::proof

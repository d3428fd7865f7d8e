// Two dext processes on different deal files that sell the same vehicles,
// started together: the one that meets a sold vehicle locked by the other
// shows "The Vehicle Inventory Record Is Locked.", tries again after OK and
// carries on; both complete, and the record files end up exactly as the two
// deal files run one after the other leave them: nothing lost or doubled.
//
// CI runs 3 rounds; DEXT_PROOF_CONTENTION_ROUNDS=n runs more.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "proof/dext_process.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

constexpr char kLocked[] = "Error: The Vehicle Inventory Record Is Locked.";

int Rounds() {
  const char* rounds = std::getenv("DEXT_PROOF_CONTENTION_ROUNDS");
  return rounds != nullptr && std::atoi(rounds) > 0 ? std::atoi(rounds) : 3;
}

TEST(ContentionTest, TwoTransfersOfTheSameVehiclesLoseNothing) {
  ScratchFolder scratch;
  const fs::path pristine = scratch.path() / "pristine";
  const fs::path trial = scratch.path() / "trial";
  MakeSampleDealership(pristine, 6, 18, 21);

  const fs::path one_after_other = scratch.path() / "sequential";
  CopyDealership(pristine, one_after_other);
  ASSERT_TRUE(RunDext(one_after_other).Exited(0));
  ASSERT_TRUE(RunDext(one_after_other, {}, SecondWorkFolder(pristine)).Exited(0));
  const auto reference = DumpTargets(one_after_other);

  size_t locked_messages = 0;
  int rounds_with_contention = 0;
  for (int round = 0; round < Rounds(); ++round) {
    CopyDealership(pristine, trial);
    DextProcess first(trial, {});
    DextProcess second(trial, {}, SecondWorkFolder(trial));
    const ProcessEnd first_end = first.Wait();
    const ProcessEnd second_end = second.Wait();
    for (const ProcessEnd& end : {first_end, second_end}) {
      EXPECT_TRUE(end.Exited(0)) << "round " << round << ": " << end.error_output;
      // Nothing but the locked message may be shown.
      EXPECT_EQ(Count(end.error_output, "Error: "), Count(end.error_output, kLocked))
          << end.error_output;
    }
    const size_t locked = Count(first_end.error_output + second_end.error_output, kLocked);
    // Headless, the lock is tried again once a second, not in a busy loop.
    EXPECT_LE(locked, 4u) << "round " << round;
    locked_messages += locked;
    rounds_with_contention += locked > 0;
    EXPECT_EQ(CheckIntegrity(trial), "ok");
    EXPECT_EQ(TargetDifferences(reference, trial), "") << "round " << round;
  }
  std::cout << Rounds() << " contention runs, " << rounds_with_contention
            << " met a locked vehicle (" << locked_messages << " locked messages)\n";
}

}  // namespace
}  // namespace dext::proof

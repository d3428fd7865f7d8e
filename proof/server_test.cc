// The record files on a PostgreSQL server (KVB_STORE_F), as several
// workstations share them: two dext processes in different work folders
// selling the same vehicles at once, and the server stopped in the middle of
// a transfer and started again. Each ends as one uninterrupted run would.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include "proof/dext_process.h"
#include "testing/fault_switches.h"
#include "testing/pg_server.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.running()) << "no PostgreSQL server for the test: " << server_.error();
  }
  void TearDown() override {
    unsetenv("KVB_STORE_F");
    unsetenv("KVB_DRIVE_F");
  }

  // A sample dealership in root whose record files live in a new database
  // of the server; drive F: stays mapped to root/F for the dumps.
  fs::path Dealership(const std::string& name, int deals, int vehicles, int seed) {
    const fs::path root = scratch_.path() / name;
    setenv("KVB_STORE_F", server_.NewDatabase().c_str(), 1);
    setenv("KVB_DRIVE_F", (root / "F").c_str(), 1);
    MakeSampleDealership(root, deals, vehicles, seed);
    return root;
  }

  kvb::test::PgServer& server_ = kvb::test::PgServer::Shared();
  ScratchFolder scratch_;
};

TEST_F(ServerTest, TwoWorkstationsSellingTheSameVehiclesLoseNothing) {
  const fs::path sequential = Dealership("sequential", 6, 18, 21);
  const fs::path second_work_folder = SecondWorkFolder(sequential);
  ASSERT_TRUE(RunDext(sequential).Exited(0));
  ASSERT_TRUE(RunDext(sequential, {}, second_work_folder).Exited(0));
  const auto reference = DumpTargets(sequential);

  const fs::path trial = Dealership("together", 6, 18, 21);
  DextProcess first(trial, {});
  DextProcess second(trial, {}, SecondWorkFolder(trial));
  const ProcessEnd first_end = first.Wait();
  const ProcessEnd second_end = second.Wait();
  EXPECT_TRUE(first_end.Exited(0)) << first_end.error_output;
  EXPECT_TRUE(second_end.Exited(0)) << second_end.error_output;
  EXPECT_EQ(TargetDifferences(reference, trial), "");
}

TEST_F(ServerTest, KilledAtSpreadOutWritesTheRerunEqualsOneRun) {
  REQUIRE_KVB_FAULT_SWITCHES();
  const fs::path uninterrupted = Dealership("uninterrupted", 8, 24, 9);
  ASSERT_TRUE(RunDext(uninterrupted).Exited(0));
  const auto reference = DumpTargets(uninterrupted);
  for (int point : {2, 9, 17, 30}) {
    SCOPED_TRACE("killed at write " + std::to_string(point));
    const fs::path trial = Dealership("killed" + std::to_string(point), 8, 24, 9);
    const ProcessEnd killed =
        RunDext(trial, {{"KVB_FAULT_AT", std::to_string(point)}, {"KVB_FAULT_KILL", "1"}});
    EXPECT_EQ(killed.signal, SIGKILL) << killed.error_output;
    EXPECT_TRUE(fs::exists(trial / "work" / "DEXT.DAT"));
    const ProcessEnd rerun = RunDext(trial);
    EXPECT_TRUE(rerun.Exited(0)) << rerun.error_output;
    EXPECT_EQ(TargetDifferences(reference, trial), "");
  }
}

TEST_F(ServerTest, AServerStoppedMidTransferIsAnErrorAndTheRerunCompletes) {
  const fs::path uninterrupted = Dealership("uninterrupted", 40, 120, 5);
  ASSERT_TRUE(RunDext(uninterrupted).Exited(0));
  const auto reference = DumpTargets(uninterrupted);

  const fs::path trial = Dealership("stopped", 40, 120, 5);
  DextProcess transfer(trial, {});
  for (int tries = 0; ReadFile(trial / "work" / "DEXT.LOG").find(" deal 3 ") == std::string::npos;
       ++tries) {
    ASSERT_LT(tries, 2000) << "the transfer never reached its third deal";
    usleep(1000);
  }
  ASSERT_TRUE(server_.StopImmediately()) << server_.error();
  const ProcessEnd stopped = transfer.WaitAtMost(60);
  ASSERT_TRUE(server_.Start()) << server_.error();
  if (stopped.Exited(0)) GTEST_SKIP() << "the transfer finished before the server stopped";
  EXPECT_TRUE(stopped.Exited(3)) << stopped.error_output;
  EXPECT_NE(stopped.error_output.find("connection to the record server lost."),
            std::string::npos)
      << stopped.error_output;
  EXPECT_TRUE(fs::exists(trial / "work" / "DEXT.DAT"));

  const ProcessEnd rerun = RunDext(trial);
  EXPECT_TRUE(rerun.Exited(0)) << rerun.error_output;
  EXPECT_FALSE(fs::exists(trial / "work" / "DEXT.DAT"));
  EXPECT_EQ(TargetDifferences(reference, trial), "");
}

}  // namespace
}  // namespace dext::proof

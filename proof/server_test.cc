// The record files on a PostgreSQL server (KVB_STORE_F), as several
// workstations share them: two dext processes in different work folders
// selling the same vehicles at once, the server stopped in the middle of a
// transfer and started again, and a connection that hangs without breaking.
// Each ends as one uninterrupted run would.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "proof/dext_process.h"
#include "testing/fault_switches.h"
#include "testing/pg_server.h"
#include "testing/stall_relay.h"

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

  // The target files after one uninterrupted run on such a dealership.
  std::map<std::string, std::string> UninterruptedRun(int deals, int vehicles, int seed) {
    const fs::path uninterrupted = Dealership("uninterrupted", deals, vehicles, seed);
    const ProcessEnd end = RunDext(uninterrupted);
    EXPECT_TRUE(end.Exited(0)) << "the uninterrupted run: " << end.error_output;
    return DumpTargets(uninterrupted);
  }

  // Whether the transfer in root logs its third deal within about 5 s.
  static bool ReachesThirdDeal(const fs::path& root) {
    for (int tries = 0; tries < 5000; ++tries) {
      if (ReadFile(root / "work" / "DEXT.LOG").find(" deal 3 ") != std::string::npos) return true;
      usleep(1000);
    }
    return false;
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
  const auto reference = UninterruptedRun(8, 24, 9);
  for (int point : {2, 9, 17, 30}) {
    SCOPED_TRACE("killed at write " + std::to_string(point));
    const fs::path trial = Dealership("killed" + std::to_string(point), 8, 24, 9);
    const ProcessEnd killed =
        RunDext(trial, {{"KVB_FAULT_AT", std::to_string(point)}, {"KVB_FAULT_KILL", "1"}});
    EXPECT_EQ(killed.signal, SIGKILL) << killed.error_output;
    EXPECT_TRUE(DealFileKept(trial / "work"));
    const ProcessEnd rerun = RunDext(trial, {}, {}, RunAs::kSelf, OtherDesk(trial));
    EXPECT_TRUE(rerun.Exited(0)) << rerun.error_output;
    EXPECT_EQ(TargetDifferences(reference, trial), "");
  }
}

TEST_F(ServerTest, AServerStoppedMidTransferIsAnErrorAndTheRerunCompletes) {
  const auto reference = UninterruptedRun(40, 120, 5);

  const fs::path trial = Dealership("stopped", 40, 120, 5);
  DextProcess transfer(trial, {});
  ASSERT_TRUE(ReachesThirdDeal(trial)) << "the transfer never reached its third deal";
  ASSERT_TRUE(server_.StopImmediately()) << server_.error();
  const ProcessEnd stopped = transfer.WaitAtMost(60);
  ASSERT_TRUE(server_.Start()) << server_.error();
  if (stopped.Exited(0)) GTEST_SKIP() << "the transfer finished before the server stopped";
  EXPECT_TRUE(stopped.Exited(3)) << stopped.error_output;
  EXPECT_NE(stopped.error_output.find("connection to the record server lost"), std::string::npos)
      << stopped.error_output;
  EXPECT_TRUE(DealFileKept(trial / "work"));

  const ProcessEnd rerun = RunDext(trial);
  EXPECT_TRUE(rerun.Exited(0)) << rerun.error_output;
  EXPECT_FALSE(DealFileKept(trial / "work"));
  EXPECT_EQ(TargetDifferences(reference, trial), "");
}

// A relay that stops passing bytes without closing anything, as a hung
// router or VPN does: dext gives up within its wait (KVB_SERVER_WAIT) with
// the error box, the server ends the session it left in a transaction, and
// a rerun completes.
TEST_F(ServerTest, AConnectionThatHangsEndsTheTransferInBoundedTimeAndTheRerunCompletes) {
  const auto reference = UninterruptedRun(40, 120, 7);

  const fs::path trial = Dealership("hung", 40, 120, 7);
  const std::string direct = getenv("KVB_STORE_F");
  kvb::test::StallRelay relay(server_.folder() + "/.s.PGSQL.5432");
  ASSERT_TRUE(relay.listening());
  DextProcess transfer(trial, {{"KVB_STORE_F", relay.Conninfo(direct.substr(direct.find("dbname=") + 7))},
                               {"KVB_SERVER_WAIT", "2"}});
  ASSERT_TRUE(ReachesThirdDeal(trial)) << "the transfer never reached its third deal";
  relay.Freeze();
  const ProcessEnd hung = transfer.WaitAtMost(30);
  if (hung.Exited(0)) GTEST_SKIP() << "the transfer finished before the relay froze";
  EXPECT_TRUE(hung.Exited(3)) << "signal " << hung.signal << ": " << hung.error_output;
  // Hung on a read or write, or on the commit, whose outcome is then unknown.
  EXPECT_TRUE(hung.error_output.find("no answer from the record server in time") !=
                  std::string::npos ||
              hung.error_output.find("it may or may not have been stored") != std::string::npos)
      << hung.error_output;
  EXPECT_TRUE(DealFileKept(trial / "work"));

  // The server learns that the desk is gone, as its TCP keepalives tell it
  // on a real network within about 25 s: the relay, thawed, passes on the
  // desk's closed connection. (A freeze between the vehicle's lock and the
  // deal's transaction leaves a lock no idle-in-transaction timeout ends.)
  relay.Thaw();

  // The rerun tells every deal as what it is now, the one in doubt included:
  // the deals it posted and those found posted add up to the whole file.
  const ProcessEnd rerun = RunDext(trial);
  EXPECT_TRUE(rerun.Exited(0)) << rerun.error_output;
  EXPECT_EQ(TargetDifferences(reference, trial), "");
  int posted = 0, before = 0;
  ASSERT_EQ(sscanf(rerun.output.c_str(), "%d deal%*s transferred (and %d by an earlier run)",
                   &posted, &before),
            2)
      << rerun.output;
  EXPECT_EQ(posted + before, 40) << rerun.output;
}

}  // namespace
}  // namespace dext::proof

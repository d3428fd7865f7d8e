// The cause the record library gives for a failure reaches dext's error box:
// on a line of its own ("Cause: ..." under the failed file, or under the
// system's message), naming the real reason. Headless, the box is "Error: "
// and its text on standard error.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "proof/dext_process.h"
#include "testing/pg_server.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

class FailureCauseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSampleDealership(root_, 3, 9, 5);
    chmod(scratch_.path().c_str(), 0755);
  }
  // The cause lines of the box, each "Cause: ..." up to its line end.
  static std::string Causes(const ProcessEnd& end) {
    std::string causes;
    for (size_t at = end.error_output.find("Cause: "); at != std::string::npos;
         at = end.error_output.find("Cause: ", at + 1)) {
      causes += end.error_output.substr(at, end.error_output.find('\n', at) - at) + "\n";
    }
    return causes;
  }
  // The first line of the box: the system's text.
  static std::string FirstLine(const ProcessEnd& end) {
    return end.error_output.substr(0, end.error_output.find('\n'));
  }

  ScratchFolder scratch_;
  const fs::path root_ = scratch_.path() / "shop";
  const fs::path files_ = root_ / "F" / "DLR";
};

TEST_F(FailureCauseTest, FilesThatDoNotOpenSayWhy) {
  fs::remove(root_ / "F" / "KD" / "FF" / "KCU.FID");
  ProcessEnd end = RunDext(root_);
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_NE(end.error_output.find("KCU.DAT (" + (files_ / "KCU.DAT").string() +
                                  ") could not be opened: layout file not found.\n  Cause: "
                                  "layout F:\\KD\\FF\\KCU.FID (" +
                                  (root_ / "F/KD/FF/KCU.FID").string() +
                                  "): No such file or directory\n"),
            std::string::npos)
      << end.error_output;

  fs::copy_file(LAYOUTS_DIR "/KCU.FID", root_ / "F" / "KD" / "FF" / "KCU.FID");
  ASSERT_EQ(system(("sqlite3 " + (files_ / "KVBSTORE.DB").string() +
                    " \"UPDATE kvb_meta SET value = 'kvb keyed record store 2'\"")
                       .c_str()),
            0);
  end = RunDext(root_);
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_EQ(Count(Causes(end), "a newer version of the library made it"), 3u) << end.error_output;
}

TEST_F(FailureCauseTest, AServerThatRefusesTheLoginSaysWhy) {
  kvb::test::PgServer& server = kvb::test::PgServer::Shared();
  ASSERT_TRUE(server.running()) << server.error();
  const std::string conninfo = server.Conninfo("postgres");
  for (const auto& [setting, reason] :
       {std::pair{conninfo + " dbname=nosuchdatabase",
                  "database \"nosuchdatabase\" does not exist"},
        std::pair{conninfo + " user=nosuchrole", "role \"nosuchrole\" does not exist"}}) {
    const ProcessEnd end = RunDext(root_, {{"KVB_STORE_F", setting}});
    EXPECT_TRUE(end.Exited(3)) << end.error_output;
    EXPECT_EQ(Count(end.error_output, "could not be opened: record server refused the login."), 3u)
        << end.error_output;
    EXPECT_EQ(Count(Causes(end), reason), 3u) << end.error_output;
  }
}

// Files of a folder that the user may read but not write: the store cannot
// be opened for writing, and the box names the file this user may not write.
TEST_F(FailureCauseTest, AFolderThisUserMayNotWriteIsNamed) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to run dext as the user nobody";
  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0644);
  }
  chmod(root_.c_str(), 0755);
  chmod((root_ / "work").c_str(), 0777);
  chmod((root_ / "work" / "DEXT.DAT").c_str(), 0666);
  const ProcessEnd end = RunDext(root_, {}, {}, RunAs::kNobody);
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_EQ(FirstLine(end).rfind("Error: ", 0), 0u) << end.error_output;
  EXPECT_NE(Causes(end).find("not writable by this user: "), std::string::npos) << end.error_output;
  EXPECT_NE(Causes(end).find(files_.string()), std::string::npos) << end.error_output;
  EXPECT_NE(Causes(end).find("Permission denied"), std::string::npos) << end.error_output;
}

// A full disk: the dealership's files on a small tmpfs, in a mount namespace
// of dext's own, where the test can make one; else the library's fault
// switch.
TEST_F(FailureCauseTest, AFullDiskIsNamed) {
  ProcessEnd end;
  if (getuid() == 0 && system("unshare -m true 2>/dev/null") == 0) {
    const fs::path kept = scratch_.path() / "kept";
    fs::rename(files_, kept);
    fs::create_directory(files_);
    const fs::path error = scratch_.path() / "error";
    // Full to the last 48 KiB: the store opens, the transfer's writes do not fit.
    const std::string script =
        "mount -t tmpfs -o size=1m tmpfs " + files_.string() + " && cp -a " + kept.string() +
        "/. " + files_.string() + " && (dd if=/dev/zero of=" + files_.string() +
        "/filler bs=4k 2>/dev/null; truncate -s -48K " + files_.string() + "/filler) && cd " +
        (root_ / "work").string() + " && DEXT_UI=headless KVB_DRIVE_F=" + (root_ / "F").string() +
        " " + DextPath() + " 2>" + error.string() + " >/dev/null";
    const int status = system(("unshare -m sh -c '" + script + "'").c_str());
    end.exit_status = WEXITSTATUS(status);
    end.error_output = ReadFile(error);
    EXPECT_NE(Causes(end).find(files_.string() + "/KVBSTORE.DB: "), std::string::npos)
        << end.error_output;
    EXPECT_TRUE(Causes(end).find("database or disk is full") != std::string::npos ||
                Causes(end).find("No space left on device") != std::string::npos)
        << end.error_output;
  } else {
    end = RunDext(root_, {{"KVB_FAULT_AT", "2"}, {"KVB_FAULT_CODE", "23"}});
    EXPECT_NE(Causes(end).find("disk full made on purpose by the fault switch KVB_FAULT_AT=2"),
              std::string::npos)
        << end.error_output;
  }
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_EQ(FirstLine(end).rfind("Error: ", 0), 0u) << end.error_output;
}

}  // namespace
}  // namespace dext::proof

// Runs the kvbtool executable for the tests of its commands: a scratch
// folder mapped as drive F:, a command's exit status, standard output and
// standard error.
#ifndef DEXT_TOOLS_KVBTOOL_TOOL_TEST_SUPPORT_H_
#define DEXT_TOOLS_KVBTOOL_TOOL_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "test_support.h"

namespace kvbtool::test {

// Runs kvbtool as the user nobody when the tests run as root, so that file
// permissions hold; as the tests' own user otherwise.
inline std::string AsUnprivileged() {
  return getuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups" : "";
}

class KvbtoolRun : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KVB_DRIVE_F", root_.c_str(), 1);
    unsetenv("KVB_STORE_F");
    chmod(root_.c_str(), 0755);  // for nobody
  }
  void TearDown() override {
    unsetenv("KVB_STORE_F");
    unsetenv("KVB_STORE_G");
  }

  // Runs kvbtool with arguments (and standard input), keeping its output. A
  // prefix runs it under another program (setpriv, env).
  int Run(const std::string& arguments, const std::string& input = "",
          const std::string& prefix = "") {
    return Shell(prefix + " " + KVBTOOL_PATH + " " + arguments, input);
  }
  // Runs a shell command with standard input, keeping its output.
  int Shell(const std::string& command, const std::string& input = "") {
    const std::string io = root_ + "/.io";
    mkdir(io.c_str(), 0777);
    chmod(io.c_str(), 0777);
    kvb::test::WriteFile(io + "/stdin", input);
    const int status = system(
        ("(" + command + ") <" + io + "/stdin >" + io + "/stdout 2>" + io + "/stderr").c_str());
    output_ = kvb::test::ReadFile(io + "/stdout");
    errors_ = kvb::test::ReadFile(io + "/stderr");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Maps drive G: to root/server with its keyed files in a fresh database of
  // the test server; returns its connection string ("" with a failure).
  std::string MapServerDrive() {
    EXPECT_TRUE(kvb::test::MapDrive('G', root_ + "/server", kvb::test::StoreKind::kPostgres));
    const char* conninfo = getenv("KVB_STORE_G");
    return conninfo ? conninfo : "";
  }
  // Makes name (a DOS or host path; its folder must exist) from a sample
  // layout, with records from csv.
  void Make(const std::string& name, const std::string& layout, const std::string& csv = "") {
    ASSERT_EQ(Run("create '" + name + "' " SAMPLE_LAYOUTS "/" + layout), 0) << errors_;
    if (!csv.empty()) {
      ASSERT_EQ(Run("load '" + name + "'", csv), 0) << errors_;
    }
  }

  kvb::test::ScratchFolder folder_;
  const std::string root_ = folder_.path();
  std::string output_, errors_;
};

}  // namespace kvbtool::test

#endif  // DEXT_TOOLS_KVBTOOL_TOOL_TEST_SUPPORT_H_

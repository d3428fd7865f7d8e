// dext on a terminal in tmux: a terminal type nobody knows. Skipped where
// tmux is missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "toolkit/terminal/testing/tmux_session.h"

namespace {

// ncurses alone would print "Error opening terminal" and exit with status 1,
// which dext documents as "nothing to transfer".
TEST(DextTerminalTest, UnknownTerminalTypeSaysSo) {
  if (std::system("command -v tmux >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "tmux is not installed: the terminal front end is not exercised";
  }
  toolkit::testing::Tmux tmux;
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() / ("dext_term_" + std::to_string(getpid()));
  std::filesystem::create_directories(work);
  const std::string dext = "cd " + work.string() + " && env -u DISPLAY ";
  tmux.Start(dext + "DEXT_UI=terminal TERM=nosuchterm " DEXT_PATH, 200);
  EXPECT_TRUE(tmux.WaitFor("dext: the terminal type 'nosuchterm' is not known (TERM); run with "
                           "DEXT_UI=headless or set TERM ended 69"))
      << tmux.Screen();
  // Not asked for: dext goes on headless, which here needs the destination.
  tmux.Start(dext + "-u DEXT_UI TERM=nosuchterm " DEXT_PATH, 200);
  EXPECT_TRUE(tmux.WaitFor("dext: the terminal type 'nosuchterm' is not known (TERM); "
                           "running headless dext: the drive and path"))
      << tmux.Screen();
  EXPECT_TRUE(tmux.WaitFor("ended 3")) << tmux.Screen();
  std::filesystem::remove_all(work);
}

}  // namespace

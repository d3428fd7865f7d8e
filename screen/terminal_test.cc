// The real terminal front end in tmux: the transfer screen appears, a path
// typed into DNP shows in upper case, Escape ends the program and gives the
// terminal back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace {

std::string Run(const std::string& command) {
  std::string output;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return output;
  std::array<char, 512> buffer;
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe.get())) output.append(buffer.data(), n);
  return output;
}

class TmuxSession {
 public:
  TmuxSession() : name_("dext_screen_" + std::to_string(getpid())) {}
  ~TmuxSession() { Run(Tmux("kill-session -t " + name_) + " 2>/dev/null"); }

  void Start(const std::string& command) {
    Run(Tmux("new-session -d -x 100 -y 30 -s " + name_ + " '" + command + "'"));
  }
  void Keys(const std::string& keys) { Run(Tmux("send-keys -t " + name_ + " " + keys)); }
  std::string Screen() { return Run(Tmux("capture-pane -p -t " + name_)); }

  // Waits up to five seconds for the screen to show the text.
  bool WaitFor(const std::string& text) {
    for (int i = 0; i < 100; ++i) {
      if (Screen().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  // A server of its own, so the test never touches the user's tmux.
  std::string Tmux(const std::string& arguments) {
    return "tmux -L " + name_ + " -f /dev/null " + arguments;
  }
  std::string name_;
};

TEST(TerminalFrontEndTest, DestinationPromptInTmux) {
  if (system("command -v tmux >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "tmux is not installed: the terminal front end is not exercised";
  }
  TmuxSession tmux;
  tmux.Start(std::string("TERM=xterm-256color DEXT_UI=terminal ") + SCREEN_DEMO_PATH +
             "; echo demo-ended $?; sleep 30");
  ASSERT_TRUE(tmux.WaitFor("Transferring Customer Data To Accounting")) << tmux.Screen();
  EXPECT_TRUE(tmux.WaitFor("Is Drive and Path Correct (Y/N):")) << tmux.Screen();
  EXPECT_NE(tmux.Screen().find("DEXT"), std::string::npos);

  tmux.Keys("'f:\\dlr'");
  ASSERT_TRUE(tmux.WaitFor("F:\\DLR")) << tmux.Screen();
  EXPECT_EQ(tmux.Screen().find("f:\\dlr"), std::string::npos);

  tmux.Keys("Escape");
  ASSERT_TRUE(tmux.WaitFor("demo-ended 2")) << tmux.Screen();
  // The terminal is back: the form is gone and the shell's output shows.
  const std::string after = tmux.Screen();
  EXPECT_EQ(after.find("Transferring Customer Data"), std::string::npos) << after;
  EXPECT_NE(after.find("cancelled"), std::string::npos) << after;
}

}  // namespace

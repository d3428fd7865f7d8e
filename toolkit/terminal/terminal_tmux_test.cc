// The real terminal front end in tmux: message boxes and their answers, a
// form larger than the terminal, and dext on a terminal type nobody knows.
// Skipped where tmux is missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string Run(const std::string& command) {
  std::string output;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return output;
  std::array<char, 512> buffer;
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe.get())) {
    output.append(buffer.data(), n);
  }
  return output;
}

// The words on the screen, one space between them: text the front end
// wrapped reads as one line.
std::string Words(const std::string& screen) {
  std::istringstream in(screen);
  std::string word, words;
  while (in >> word) words += (words.empty() ? "" : " ") + word;
  return words;
}

class Tmux {
 public:
  ~Tmux() { Stop(); }

  // Runs the command in a terminal of that size; "ended N" shows when it
  // has ended with status N.
  void Start(const std::string& command, int columns = 100, int rows = 30) {
    Stop();
    // A server of its own each time: one that is still shutting down
    // refuses a new session.
    name_ = "toolkit_terminal_" + std::to_string(getpid()) + "_" + std::to_string(++started_);
    Run(Tmux_("new-session -d -x " + std::to_string(columns) + " -y " + std::to_string(rows) +
              " -s " + name_ + " '" + command + "; echo ended $?; sleep 30'"));
  }
  void Stop() {
    if (name_.empty()) return;
    Run(Tmux_("kill-server") + " 2>/dev/null");
    std::filesystem::remove(Socket());  // tmux leaves it behind
  }
  void Keys(const std::string& keys) { Run(Tmux_("send-keys -t " + name_ + " " + keys)); }
  void Resize(int columns, int rows) {
    Run(Tmux_("resize-window -t " + name_ + " -x " + std::to_string(columns) + " -y " +
              std::to_string(rows)));
  }
  std::string Screen() { return Run(Tmux_("capture-pane -p -t " + name_) + " 2>&1"); }

  // Waits up to five seconds for the screen's words to hold the text.
  bool WaitFor(const std::string& text) {
    for (int i = 0; i < 100; ++i) {
      if (Words(Screen()).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  // A server of its own, so the test never touches the user's tmux.
  std::filesystem::path Socket() const { return std::filesystem::temp_directory_path() / name_; }
  std::string Tmux_(const std::string& arguments) {
    return "tmux -S " + Socket().string() + " -f /dev/null " + arguments;
  }
  std::string name_;
  int started_ = 0;
};

class TerminalTest : public testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v tmux >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "tmux is not installed: the terminal front end is not exercised";
    }
  }
  Tmux tmux_;
};

const std::string kDemo = std::string("TERM=xterm-256color ") + TERMINAL_DEMO_PATH;

TEST_F(TerminalTest, MessageBoxAnswersOkOrCancel) {
  const struct {
    int style;
    const char* keys;
    int answer;
  } cases[] = {
      {49, "Enter", 1},       {49, "Tab Enter", 2}, {49, "Right Left Space", 1},
      {49, "Escape", 2},      {49, "C-c", 2},       {48, "Escape", 1},
      {0, "C-c", 1},
  };
  for (const auto& c : cases) {
    const std::string trace = std::to_string(c.style) + " " + c.keys;
    tmux_.Start(kDemo + " box " + std::to_string(c.style) + " \"First line\\nSecond line\"");
    ASSERT_TRUE(tmux_.WaitFor("[ OK ]")) << trace << "\n" << tmux_.Screen();
    const std::string screen = tmux_.Screen();
    EXPECT_EQ(screen.find("[ Cancel ]") != std::string::npos, (c.style & 1) != 0) << trace;
    // Each line of the text on a line of its own.
    EXPECT_NE(screen.find("First line "), std::string::npos) << screen;
    EXPECT_EQ(screen.find("First line Second"), std::string::npos) << screen;
    tmux_.Keys(c.keys);
    EXPECT_TRUE(tmux_.WaitFor("answer " + std::to_string(c.answer) + " ended 0"))
        << trace << "\n" << tmux_.Screen();
  }
}

TEST_F(TerminalTest, FormLargerThanTheTerminalIsNotDrawnUntilItFits) {
  tmux_.Start(kDemo + " form 60 16", 40, 10);
  ASSERT_TRUE(tmux_.WaitFor(
      "The terminal is too small for this form: it needs 62 columns and 18 rows"))
      << tmux_.Screen();
  tmux_.Keys("abc");  // typed into a form nobody sees: not taken
  tmux_.Resize(70, 20);
  ASSERT_TRUE(tmux_.WaitFor("Demo")) << tmux_.Screen();
  EXPECT_EQ(tmux_.Screen().find("too small"), std::string::npos) << tmux_.Screen();
  tmux_.Keys("xyz");
  ASSERT_TRUE(tmux_.WaitFor("xyz")) << tmux_.Screen();
  tmux_.Resize(50, 20);
  ASSERT_TRUE(tmux_.WaitFor("it needs 62 columns and 18 rows")) << tmux_.Screen();
  tmux_.Keys("Escape");  // reaches the form all the same
  EXPECT_TRUE(tmux_.WaitFor("typed [xyz] ended 0")) << tmux_.Screen();
}

#ifdef DEXT_PATH
// ncurses alone would print "Error opening terminal" and exit with status 1,
// which dext documents as "nothing to transfer".
TEST_F(TerminalTest, DextOnAnUnknownTerminalTypeSaysSo) {
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() / ("dext_term_" + std::to_string(getpid()));
  std::filesystem::create_directories(work);
  const std::string dext = "cd " + work.string() + " && env -u DISPLAY ";
  tmux_.Start(dext + "DEXT_UI=terminal TERM=nosuchterm " DEXT_PATH, 200);
  EXPECT_TRUE(tmux_.WaitFor("dext: the terminal type 'nosuchterm' is not known (TERM); run with "
                            "DEXT_UI=headless or set TERM ended 69"))
      << tmux_.Screen();
  // Not asked for: dext goes on headless, which here needs the destination.
  tmux_.Start(dext + "-u DEXT_UI TERM=nosuchterm " DEXT_PATH, 200);
  EXPECT_TRUE(tmux_.WaitFor("dext: the terminal type 'nosuchterm' is not known (TERM); "
                            "running headless dext: the drive and path"))
      << tmux_.Screen();
  EXPECT_TRUE(tmux_.WaitFor("ended 3")) << tmux_.Screen();
  std::filesystem::remove_all(work);
}
#endif

}  // namespace

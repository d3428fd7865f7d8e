// A program in a terminal of its own, for tests of what a person at the
// terminal sees: tmux runs it on a server of the test's own, sends keys and
// reads the screen.
#ifndef DEXT_TOOLKIT_TERMINAL_TESTING_TMUX_SESSION_H_
#define DEXT_TOOLKIT_TERMINAL_TESTING_TMUX_SESSION_H_

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace toolkit::testing {

// Runs a shell command; its standard output.
inline std::string Run(const std::string& command) {
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
inline std::string Words(const std::string& screen) {
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

}  // namespace toolkit::testing

#endif  // DEXT_TOOLKIT_TERMINAL_TESTING_TMUX_SESSION_H_

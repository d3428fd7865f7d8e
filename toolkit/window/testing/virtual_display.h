// Programs on a virtual X display of their own, for tests of what a person
// at the screen sees: Xvfb serves the display, xdotool types and finds
// windows, and the screen is read back with XGetImage. Tests skip where
// Xvfb or xdotool are missing (scripts/setup installs both).
#ifndef DEXT_TOOLKIT_WINDOW_TESTING_VIRTUAL_DISPLAY_H_
#define DEXT_TOOLKIT_WINDOW_TESTING_VIRTUAL_DISPLAY_H_

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Last: Xlib defines macros (None, Bool, Status) that clash with C++ names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace toolkit::testing {

// Whether the shell finds the program.
inline bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; its standard output.
inline std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// Polls the condition every 50 ms until it holds (true) or the limit has
// passed (false).
inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::milliseconds(8000)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// Starts a program in `directory` with extra environment; returns its pid.
// display_fd, when given, becomes the program's descriptor 3.
inline pid_t Start(const std::vector<std::string>& argv,
                   const std::map<std::string, std::string>& env,
                   const std::filesystem::path& directory = ".", int display_fd = -1) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (display_fd >= 0) dup2(display_fd, 3);
    if (chdir(directory.c_str()) != 0) _exit(126);
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

// The exit status once the process ends within the limit, else nullopt.
inline std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
  int status = 0;
  if (!Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit)) return {};
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

using Rgb = unsigned long;

// A virtual display of its own (an Xvfb server, stopped with the object),
// with the helpers the tests read it with.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int fds[2];
    if (pipe(fds) != 0) return;
    server_ = Start({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                    {}, ".", fds[1]);
    close(fds[1]);
    // Xvfb writes the number and then a newline once it listens; the pipe
    // stays open until both are read, as Xvfb dies when its write fails.
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
    if (!name_.empty()) display_ = XOpenDisplay(name_.c_str());
  }
  ~VirtualDisplay() {
    if (display_) XCloseDisplay(display_);
    if (server_ > 0) kill(server_, SIGTERM), waitpid(server_, nullptr, 0);
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  // Whether the server runs and answers; name() is its DISPLAY.
  bool ok() const { return display_ != nullptr; }
  const std::string& name() const { return name_; }

  // Runs xdotool on this display; its standard output.
  std::string Xdotool(const std::string& arguments) const {
    return Output("DISPLAY=" + name_ + " xdotool " + arguments + " 2>/dev/null");
  }
  // The window with exactly this title, or 0.
  Window Find(const std::string& title) const {
    return std::strtoul(Xdotool("search --name '^" + title + "$'").c_str(), nullptr, 10);
  }
  // The window with exactly this title once it appears within 8 s, or 0.
  Window WaitForWindow(const std::string& title) const {
    Window found = 0;
    Eventually([&] { return (found = Find(title)) != 0; });
    return found;
  }
  // Focuses the window and types the text, or with `named` presses the
  // keys xdotool names ("Tab", "alt+c").
  void Type(Window window, const std::string& keys, bool named = false) const {
    const std::string id = std::to_string(window);
    Xdotool("windowfocus --sync " + id + " mousemove --window " + id + " 5 5");
    Xdotool(named ? "key " + keys : "type --delay 20 '" + keys + "'");
  }
  // The window manager's close button: WM_DELETE_WINDOW.
  void RequestClose(Window window) const {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
  }
  // The height of the window's client area in pixels.
  int Height(Window window) const {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window, &attributes);
    return attributes.height;
  }
  // Counts the colours of a rectangle of the window's client area.
  std::map<Rgb, int> Colours(Window window, int x, int y, int width, int height) const {
    int root_x = 0, root_y = 0;
    Window child;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), x, y, &root_x, &root_y,
                          &child);
    std::map<Rgb, int> counts;
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), root_x, root_y, width, height,
                              AllPlanes, ZPixmap);
    if (!image) return counts;
    for (int row = 0; row < height; ++row) {
      for (int column = 0; column < width; ++column) ++counts[XGetPixel(image, column, row)];
    }
    XDestroyImage(image);
    return counts;
  }
  // The most frequent colour as "#RRGGBB".
  std::string Dominant(Window window, int x, int y, int width, int height) const {
    const std::map<Rgb, int> counts = Colours(window, x, y, width, height);
    Rgb best = 0;
    int most = 0;
    for (auto [colour, count] : counts) {
      if (count > most) best = colour, most = count;
    }
    char text[16];
    std::snprintf(text, sizeof text, "#%06lX", best & 0xFFFFFF);
    return most ? text : "none";
  }

 private:
  pid_t server_ = -1;
  std::string name_;
  Display* display_ = nullptr;
};

}  // namespace toolkit::testing

#endif  // DEXT_TOOLKIT_WINDOW_TESTING_VIRTUAL_DISPLAY_H_

// The real program in a window on a virtual X display: xdotool types, the
// screen is read back with XGetImage. Skipped where Xvfb or xdotool are
// missing (scripts/setup installs them).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/message_box.h"
#include "toolkit/window/window_front_end.h"

// Last: Xlib defines macros (None, Bool, Status) that clash with C++ names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

bool Eventually(const std::function<bool()>& condition, milliseconds limit = milliseconds(8000)) {
  const auto deadline = steady_clock::now() + limit;
  while (!condition()) {
    if (steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(50));
  }
  return true;
}

// Starts a program in `directory` with extra environment; returns its pid.
pid_t Start(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            const fs::path& directory = ".", int display_fd = -1) {
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
std::optional<int> WaitForExit(pid_t pid, milliseconds limit) {
  int status = 0;
  if (!Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit)) return {};
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

using Rgb = unsigned long;

// A virtual display of its own, with the helpers the tests read it with.
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
  bool ok() const { return display_ != nullptr; }
  const std::string& name() const { return name_; }

  std::string Xdotool(const std::string& arguments) const {
    return Output("DISPLAY=" + name_ + " xdotool " + arguments + " 2>/dev/null");
  }
  // The window with exactly this title, or 0.
  Window Find(const std::string& title) const {
    return std::strtoul(Xdotool("search --name '^" + title + "$'").c_str(), nullptr, 10);
  }
  Window WaitForWindow(const std::string& title) const {
    Window found = 0;
    Eventually([&] { return (found = Find(title)) != 0; });
    return found;
  }
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

// Inside of a control given in twips, without its 2-pixel frame.
struct Inside {
  int x, y, width, height;
};
Inside InsideOf(int left, int top, int width, int height) {
  return {left / 15 + 2, top / 15 + 2, width / 15 - 4, height / 15 - 4};
}
const Inside kStockNumber = InsideOf(2550, 870, 1575, 405);
const Inside kDestination = InsideOf(2100, 2280, 2490, 240);
const Inside kConfirmation = InsideOf(4590, 2760, 180, 240);

class DextWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!OnPath("Xvfb") || !OnPath("xdotool")) {
      GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/setup installs both)";
    }
    display_ = std::make_unique<VirtualDisplay>();
    ASSERT_TRUE(display_->ok()) << "Xvfb did not start";
    root_ = fs::temp_directory_path() / ("dext_window_" + std::to_string(getpid()));
    fs::remove_all(root_);
    ASSERT_EQ(
        std::system((std::string(DEXT_SAMPLE_PATH) + " " + root_.string() + " >/dev/null").c_str()),
        0);
    work_ = root_ / "work";
  }
  void TearDown() override {
    if (dext_ > 0 && !WaitForExit(dext_, milliseconds(0))) kill(dext_, SIGKILL);
    if (!root_.empty()) fs::remove_all(root_);
  }

  // Starts dext in the window on the sample; returns the window with `title`.
  Window StartDext(const std::string& title = " DEXT") {
    dext_ = Start({DEXT_PATH},
                  {{"DISPLAY", display_->name()},
                   {"DEXT_UI", "window"},
                   {"KVB_DRIVE_F", (root_ / "F").string()},
                   {"LSAN_OPTIONS", "suppressions=" LSAN_SUPPRESSIONS ":print_suppressions=0"}},
                  work_);
    return display_->WaitForWindow(title);
  }
  std::string Dominant(Window window, const Inside& area) const {
    return display_->Dominant(window, area.x, area.y, area.width, area.height);
  }
  // Waits until the form is drawn with the focus in DNP.
  bool PromptShown(Window window) const {
    return Eventually([&] {
      return display_->Dominant(window, 5, 40, 100, 10) == "#C0C0C0" &&
             Dominant(window, kDestination) == "#000000";
    });
  }
  size_t PostedRecords() const {
    const std::string dump =
        Output(std::string(KVBTOOL_PATH) + " dump " + (root_ / "F" / "DLR" / "KJRVH.DAT").string());
    return std::count(dump.begin(), dump.end(), '\n');
  }

  std::unique_ptr<VirtualDisplay> display_;
  fs::path root_, work_;
  pid_t dext_ = -1;
};

TEST_F(DextWindowTest, TypedDestinationIsSavedAndTheDealsArePosted) {
  fs::remove(work_ / "DEX2GL.DAT");
  const size_t records_before = PostedRecords();
  const Window window = StartDext();
  ASSERT_NE(window, 0u) << "no window titled \" DEXT\"";
  // The destination prompt: DNP has the focus and shows its colours exchanged.
  ASSERT_TRUE(PromptShown(window));
  EXPECT_EQ(Dominant(window, kDestination), "#000000") << "DNP";
  EXPECT_EQ(Dominant(window, kStockNumber), "#E0E0E0") << "STKNO";
  EXPECT_EQ(Dominant(window, kConfirmation), "#C0C0C0") << "DPYN";
  EXPECT_GT(display_->Colours(window, 24, 10, 398, 24).count(0x0000C0), 0u) << "L1000 text";

  display_->Type(window, "f:\\dlr");
  // Tab reaches the form's handlers (no focus navigation of FLTK's own).
  display_->Type(window, "Tab", /*named=*/true);
  // The confirmation: the colours go back in DNP and are exchanged in DPYN.
  ASSERT_TRUE(Eventually([&] { return Dominant(window, kDestination) == "#C0C0FF"; }))
      << "DNP shows " << Dominant(window, kDestination);
  EXPECT_EQ(Dominant(window, kConfirmation), "#000000") << "DPYN";
  display_->Type(window, "y");

  const std::optional<int> status = WaitForExit(dext_, milliseconds(15000));
  ASSERT_TRUE(status.has_value()) << "dext still runs";
  dext_ = -1;
  EXPECT_EQ(*status, 0);
  EXPECT_EQ(display_->Find(" DEXT"), 0u) << "the window is still there";
  std::ifstream saved(work_ / "DEX2GL.DAT");
  std::string destination;
  std::getline(saved, destination);
  EXPECT_EQ(destination, "F:\\DLR" + std::string(14, ' ') + "\r");
  EXPECT_FALSE(fs::exists(work_ / "DEXT.DAT")) << "the deal file is deleted after posting";
  EXPECT_GT(PostedRecords(), records_before);
}

TEST_F(DextWindowTest, CloseButtonEscapeAndAltCEndTheProgramAsCancelled) {
  const std::pair<const char*, std::function<void(Window)>> endings[] = {
      {"close button", [&](Window w) { display_->RequestClose(w); }},
      {"Escape", [&](Window w) { display_->Type(w, "Escape", /*named=*/true); }},
      {"Alt+C", [&](Window w) { display_->Type(w, "alt+c", /*named=*/true); }},
  };
  for (const auto& [how, end] : endings) {
    fs::remove(work_ / "DEX2GL.DAT");
    const Window window = StartDext();
    ASSERT_NE(window, 0u) << how;
    ASSERT_TRUE(PromptShown(window)) << how;
    end(window);
    const std::optional<int> status = WaitForExit(dext_, milliseconds(8000));
    ASSERT_TRUE(status.has_value()) << how << ": dext still runs";
    dext_ = -1;
    EXPECT_EQ(*status, 2) << how;
    EXPECT_EQ(display_->Find(" DEXT"), 0u) << how;
    EXPECT_TRUE(fs::exists(work_ / "DEXT.DAT")) << how << ": nothing is transferred";
  }
}

TEST_F(DextWindowTest, MessageBoxIsModalWithTitleIconAndOk) {
  fs::remove(work_ / "DEXT.DAT");  // "No Data Found To Transfer!"
  const Window box = StartDext("Error");
  ASSERT_NE(box, 0u) << "no box titled \"Error\"";
  EXPECT_TRUE(Eventually([&] { return display_->Colours(box, 12, 12, 32, 32).count(0xFFFF00); }))
      << "no exclamation icon";
  EXPECT_FALSE(WaitForExit(dext_, milliseconds(300)).has_value()) << "the box waits for OK";
  display_->Type(box, "Return", /*named=*/true);
  const std::optional<int> status = WaitForExit(dext_, milliseconds(8000));
  ASSERT_TRUE(status.has_value()) << "OK did not close the box";
  dext_ = -1;
  EXPECT_EQ(*status, 1);
}

// The window front end's message box in a process of its own, its answer
// the exit status.
TEST(MessageDialogTest, ButtonsKeysAndCloseButtonAnswer) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  VirtualDisplay display;
  ASSERT_TRUE(display.ok()) << "Xvfb did not start";
  const std::string three_lines = "First line\nSecond line\nThird line";
  const struct {
    int style;
    const char* how;  // keys for xdotool, or "close" for the close button
    int answer;
    const std::string& text;
  } cases[] = {
      {49, "Return", 1, three_lines}, {49, "Tab Return", 2, three_lines},
      {49, "Right space", 2, three_lines}, {49, "Escape", 2, three_lines},
      {1, "close", 2, three_lines},   {0, "close", 1, "One line"},
  };
  int heights[2] = {0, 0};  // without the icon: three lines, one line
  for (const auto& c : cases) {
    const std::string trace = std::to_string(c.style) + " " + c.how;
    const pid_t box = fork();
    if (box == 0) {
      setenv("DISPLAY", display.name().c_str(), 1);
      std::unique_ptr<toolkit::FrontEnd> front_end = toolkit::CreateWindowFrontEnd();
      toolkit::SetFrontEnd(front_end.get());
      _exit(toolkit::MessageBox(c.text, c.style, "Question"));
    }
    const Window window = display.WaitForWindow("Question");
    ASSERT_NE(window, 0u) << trace;
    if (c.style < 48) heights[c.text == three_lines ? 0 : 1] = display.Height(window);
    if (std::string(c.how) == "close") {
      display.RequestClose(window);
    } else {
      display.Type(window, c.how, /*named=*/true);
    }
    const std::optional<int> status = WaitForExit(box, milliseconds(8000));
    if (!status) kill(box, SIGKILL), waitpid(box, nullptr, 0);
    EXPECT_EQ(status, c.answer) << trace;
    ASSERT_TRUE(Eventually([&] { return display.Find("Question") == 0; })) << trace;
  }
  // The dialog grows with the lines of its text.
  EXPECT_GE(heights[0], heights[1] + 2 * 14) << "three lines, one line";
}

}  // namespace

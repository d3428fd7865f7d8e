// dext in a window on a virtual X display: the destination typed, the deals
// posted and the summary shown, the ways to cancel, the modal error box. xdotool types, the
// screen is read back with XGetImage. Skipped where Xvfb or xdotool are
// missing (scripts/setup installs them).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "toolkit/window/testing/virtual_display.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using toolkit::testing::Eventually;
using toolkit::testing::OnPath;
using toolkit::testing::Start;
using toolkit::testing::VirtualDisplay;
using toolkit::testing::WaitForExit;

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

  std::unique_ptr<VirtualDisplay> display_;
  fs::path root_, work_;
  pid_t dext_ = -1;
};

TEST_F(DextWindowTest, TypedDestinationIsSavedAndTheDealsArePosted) {
  fs::remove(work_ / "DEX2GL.DAT");
  const Window window = StartDext();
  ASSERT_NE(window, 0u) << "no window titled \" DEXT\"";
  EXPECT_EQ(display_->Xdotool("search --classname '^dext$'"), std::to_string(window) + "\n")
      << "the window's class";
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

  // The window's last word is the summary, in a box of its own.
  const Window farewell = display_->WaitForWindow("DEXT");
  ASSERT_NE(farewell, 0u) << "no summary box";
  EXPECT_FALSE(WaitForExit(dext_, milliseconds(300)).has_value()) << "the summary waits for OK";
  display_->Type(farewell, "Return", /*named=*/true);
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

}  // namespace

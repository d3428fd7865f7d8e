#include "toolkit/window/layout.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "toolkit/window/close_request.h"

namespace toolkit {
namespace {

TEST(LayoutTest, TwipsRoundToTheNearestPixel) {
  const std::pair<int, int> cases[] = {{0, 0},      {7, 0},      {8, 1},   {15, 1}, {2550, 170},
                                       {3000, 200}, {6690, 446}, {-8, -1}, {-7, 0}};
  for (auto [twips, pixels] : cases) EXPECT_EQ(PixelsFromTwips(twips), pixels) << twips;
}

TEST(LayoutTest, ControlsAndClientAreaInPixels) {
  Form form("f");
  form.ClientWidth = 6690;
  form.SetHeight(3660);
  auto& box = form.Add(std::make_unique<TextBox>("kvf", 2));
  box.Left = 4590, box.Top = 2760, box.Width = 180, box.Height = 240;
  EXPECT_EQ(RectOf(box), (PixelRect{306, 184, 12, 16}));
  const PixelRect client = ClientRectOf(form);
  EXPECT_EQ(client.width, 446);
  // The enlarged form shows everything down to the bottom of the Y/N box.
  EXPECT_GE(client.height, RectOf(box).y + RectOf(box).height);
}

TEST(LayoutTest, FontsAreFixedPitchOrSansSerifAtTheirPixelSize) {
  struct Case {
    Font font;
    FontChoice expected;
  } cases[] = {
      {{"Fixedsys", 9, false}, {true, false, 12}},
      {{"MS Sans Serif", 8.25, true}, {false, true, 11}},
      {{"MS Sans Serif", 13.5, true}, {false, true, 18}},
      {{"Courier New", 10, false}, {true, false, 13}},
      {{"FIXEDSYS", 9, true}, {true, true, 12}},
      {{"Arial", 1, false}, {false, false, kSmallestFontPixels}},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseFont(c.font), c.expected) << c.font.name;
}

TEST(LayoutTest, FittingSizeShrinksOnlyAsFarAsNeeded) {
  const auto ten_per_pixel = [](int size) { return size * 10; };
  EXPECT_EQ(FittingSize(12, 200, ten_per_pixel), 12);  // fits as designed
  EXPECT_EQ(FittingSize(12, 115, ten_per_pixel), 11);
  EXPECT_EQ(FittingSize(12, 10, ten_per_pixel), kSmallestFontPixels);
}

TEST(LayoutTest, ClicksHitTheTopmostVisibleControlElseTheForm) {
  Form form("f");
  auto& back = form.Add(std::make_unique<Label>("back"));
  back.Left = 0, back.Top = 0, back.Width = 1500, back.Height = 1500;
  auto& front = form.Add(std::make_unique<TextBox>("front"));
  front.Left = 300, front.Top = 300, front.Width = 300, front.Height = 300;
  EXPECT_EQ(ControlAtPixel(form, 25, 25), &front);
  EXPECT_EQ(ControlAtPixel(form, 5, 5), &back);
  EXPECT_EQ(ControlAtPixel(form, 100, 5), nullptr);
  front.Visible = false;
  EXPECT_EQ(ControlAtPixel(form, 25, 25), &back);
}

TEST(CloseRequestTest, ClicksTheCancelButtonElseSendsEscape) {
  EXPECT_EQ(CloseRequestEvent(nullptr).key.key_code, kKeyEscape);
  Form form("f");
  auto& button = form.Add(std::make_unique<CommandButton>("ButCancel"));
  const InputEvent without_cancel = CloseRequestEvent(&form);
  EXPECT_EQ(without_cancel.kind, InputEvent::Kind::kKey);
  EXPECT_EQ(without_cancel.key, NamedKey(kKeyEscape));
  EXPECT_TRUE(PassesWhileBusy(without_cancel, &form));
  button.Cancel = true;
  const InputEvent with_cancel = CloseRequestEvent(&form);
  EXPECT_EQ(with_cancel.kind, InputEvent::Kind::kClick);
  EXPECT_EQ(with_cancel.control_name, "ButCancel");
  EXPECT_TRUE(PassesWhileBusy(with_cancel, &form));
}

}  // namespace
}  // namespace toolkit

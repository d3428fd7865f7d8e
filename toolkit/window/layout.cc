#include "toolkit/window/layout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace toolkit {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool IsFixedPitchName(const std::string& name) {
  static const char* const kFixed[] = {"fixedsys",    "terminal",       "courier",
                                       "courier new", "lucida console", "consolas"};
  const std::string lower = Lower(name);
  return std::any_of(std::begin(kFixed), std::end(kFixed),
                     [&](const char* fixed) { return lower == fixed; });
}

}  // namespace

int PixelsFromTwips(int twips) {
  const int half = kTwipsPerPixel / 2;
  return twips >= 0 ? (twips + half) / kTwipsPerPixel : -((-twips + half) / kTwipsPerPixel);
}

PixelRect RectOf(const Control& control) {
  return {PixelsFromTwips(control.Left), PixelsFromTwips(control.Top),
          PixelsFromTwips(control.Width), PixelsFromTwips(control.Height)};
}

PixelRect ClientRectOf(const Form& form) {
  return {0, 0, PixelsFromTwips(form.ClientWidth), PixelsFromTwips(form.ClientHeight)};
}

FontChoice ChooseFont(const Font& font) {
  // A point is 20 twips; at 15 twips a pixel that is 4/3 pixel.
  const int pixels = static_cast<int>(std::lround(font.points * 20.0 / kTwipsPerPixel));
  return {IsFixedPitchName(font.name), font.bold, std::max(pixels, kSmallestFontPixels)};
}

const Font& FontOf(const Form& form, const Control& control) {
  return control.font ? *control.font : form.font;
}

int FittingSize(int pixels, int room, const std::function<int(int size)>& width_at) {
  int size = pixels;
  while (size > kSmallestFontPixels && width_at(size) > room) --size;
  return size;
}

const Control* ControlAtPixel(const Form& form, int x, int y) {
  for (int16_t i = form.ControlCount() - 1; i >= 0; --i) {
    const Control& control = form.ControlAt(i);
    if (control.Visible && RectOf(control).Contains(x, y)) return &control;
  }
  return nullptr;
}

}  // namespace toolkit

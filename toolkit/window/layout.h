// Where the model lands in a window: twips to pixels (15 twips a pixel, the
// 96 dots an inch the forms were designed at), which font stands for a
// designer's font, what a click hits. Pure, tested without a display.
#ifndef DEXT_TOOLKIT_WINDOW_LAYOUT_H_
#define DEXT_TOOLKIT_WINDOW_LAYOUT_H_

#include <functional>

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace toolkit {

inline constexpr int kTwipsPerPixel = 15;
// Text is never shrunk below this many pixels to make it fit.
inline constexpr int kSmallestFontPixels = 7;

// The nearest pixel; halves round away from zero.
int PixelsFromTwips(int twips);

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Contains(int px, int py) const {
    return px >= x && py >= y && px < x + width && py < y + height;
  }
  bool operator==(const PixelRect&) const = default;
};

// A control's place in the form's client area.
PixelRect RectOf(const Control& control);
// The client area's size (x and y are 0).
PixelRect ClientRectOf(const Form& form);

// What draws a designer's font here: fixed-pitch for the fixed fonts of the
// designer's system (Fixedsys, Terminal, Courier, ...), sans-serif for the
// rest; the height in pixels at 96 dots an inch (9 pt is 12 pixels).
struct FontChoice {
  bool fixed_pitch = false;
  bool bold = false;
  int pixels = 0;
  bool operator==(const FontChoice&) const = default;
};
FontChoice ChooseFont(const Font& font);

// The control's own font, else the form's.
const Font& FontOf(const Form& form, const Control& control);

// The largest size from `pixels` down to kSmallestFontPixels at which a text
// fits into `room` pixels; width_at(size) measures it. The substitute fonts
// run wider than the designer's, and a question must not lose its end.
int FittingSize(int pixels, int room, const std::function<int(int size)>& width_at);

// The control that a click at client pixel (x, y) lands on: the last visible
// one in design order that contains the point (later controls are drawn on
// top), or nullptr for the form itself.
const Control* ControlAtPixel(const Form& form, int x, int y);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_WINDOW_LAYOUT_H_

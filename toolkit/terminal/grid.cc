#include "toolkit/terminal/grid.h"

#include <algorithm>

namespace toolkit {

namespace {
constexpr Color kBasicColors[8] = {0x000000, 0xCD0000, 0x00CD00, 0xCDCD00,
                                   0x0000EE, 0xCD00CD, 0x00CDCD, 0xE5E5E5};

long Distance(Color a, Color b) {
  long total = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const long d = static_cast<long>((a >> shift) & 0xFF) - static_cast<long>((b >> shift) & 0xFF);
    total += d * d;
  }
  return total;
}

int CubeLevel(int component) { return (component * 5 + 127) / 255; }
}  // namespace

int ColumnOf(int twips) { return (twips + kTwipsPerColumn / 2) / kTwipsPerColumn; }
int RowOf(int twips) { return (twips + kTwipsPerRow / 2) / kTwipsPerRow; }
int ColumnsOf(int twips) { return std::max(1, ColumnOf(twips)); }

int TerminalColor(Color rgb, int colors_available) {
  if (colors_available >= 256) {
    return 16 + 36 * CubeLevel((rgb >> 16) & 0xFF) + 6 * CubeLevel((rgb >> 8) & 0xFF) +
           CubeLevel(rgb & 0xFF);
  }
  int best = 0;
  for (int i = 1; i < 8; ++i) {
    if (Distance(rgb, kBasicColors[i]) < Distance(rgb, kBasicColors[best])) best = i;
  }
  return best;
}

int CaptionStart(int left, int width, int length) {
  if (length <= width) return left;
  return std::max(0, left + width - length);
}

TextBoxCells LayOutTextBox(const TextBox& box, int width, bool focused) {
  TextBoxCells cells;
  cells.shown = box.Text().substr(0, width);
  cells.shown.resize(width, ' ');
  if (focused) {
    cells.selection_begin = std::min<int>(box.SelStart(), width);
    cells.selection_end = std::min<int>(box.SelStart() + box.SelLength(), width);
    cells.caret = std::min<int>(box.Caret(), width - 1);
  }
  return cells;
}

}  // namespace toolkit

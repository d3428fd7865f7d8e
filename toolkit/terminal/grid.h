// Where the model's twips land on the character grid, and which terminal
// colour stands for an RGB colour. Pure, for the terminal front end.
#ifndef DEXT_TOOLKIT_TERMINAL_GRID_H_
#define DEXT_TOOLKIT_TERMINAL_GRID_H_

#include <string>

#include "toolkit/controls.h"

namespace toolkit {

inline constexpr int kTwipsPerColumn = 120;
inline constexpr int kTwipsPerRow = 240;

int ColumnOf(int twips);  // nearest column
int RowOf(int twips);     // nearest row
// A width in columns, at least 1.
int ColumnsOf(int twips);

// The nearest of the 8 basic terminal colours (COLOR_BLACK .. COLOR_WHITE),
// or, with 256 colours, the nearest entry of the 6x6x6 colour cube.
int TerminalColor(Color rgb, int colors_available);

// Where a caption of `length` characters starts in a control at `left` of
// `width` columns: at left when it fits, else so that it ends where the
// control ends (a question stands right before its answer box), never
// before column 0.
int CaptionStart(int left, int width, int length);

// A text box on the grid, in cells counted from its first column: its text
// cut or padded to `width` cells and, when it has the focus, the selected
// cells [selection_begin, selection_end) and the caret's cell. An unfocused
// box shows no selection (a selection is drawn only where typing would
// replace it) and no caret (-1).
struct TextBoxCells {
  std::string shown;
  int selection_begin = 0;
  int selection_end = 0;
  int caret = -1;
};
TextBoxCells LayOutTextBox(const TextBox& box, int width, bool focused);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_TERMINAL_GRID_H_

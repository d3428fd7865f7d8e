// Message box, beep and event processing, delivered by the front end in force.
#ifndef DEXT_TOOLKIT_MESSAGE_BOX_H_
#define DEXT_TOOLKIT_MESSAGE_BOX_H_

#include <string>

namespace toolkit {

// Message box styles, as the values combine: 0 OK only, 1 OK and Cancel,
// 48 exclamation icon (48 + 1: exclamation with OK and Cancel).
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kExclamation = 48;

// What answered a message box.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;

// Shows a modal message box and returns its answer once it is closed. Lines
// of the text are separated by '\n'. An empty title gives the box the
// application's title. Closing a box that has Cancel (Escape, the close
// button) answers Cancel; closing one with only OK answers OK.
int MessageBox(const std::string& text, int style = kOkOnly, const std::string& title = "");

// Shows a line of progress outside the form where the front end has room.
void ShowStatus(const std::string& text);

// Sounds the bell.
void Beep();

// Delivers what is pending. While a handler is running (a transfer), only
// Escape, Alt+C and repainting get through; other keys are discarded.
void DoEvents();

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_MESSAGE_BOX_H_

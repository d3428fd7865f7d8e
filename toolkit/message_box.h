// Message box, beep and event processing, delivered by the front end in force.
#ifndef DEXT_TOOLKIT_MESSAGE_BOX_H_
#define DEXT_TOOLKIT_MESSAGE_BOX_H_

#include <string>

namespace toolkit {

// Message box styles, as the values combine: 0 OK only, 48 exclamation icon.
inline constexpr int kOkOnly = 0;
inline constexpr int kExclamation = 48;

// Shows a modal message box with an OK button and returns when it is closed.
// An empty title gives the box the application's title.
void MessageBox(const std::string& text, int style = kOkOnly, const std::string& title = "");

// Sounds the bell.
void Beep();

// Delivers what is pending. While a handler is running (a transfer), only
// Escape, Alt+C and repainting get through; other keys are discarded.
void DoEvents();

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_MESSAGE_BOX_H_

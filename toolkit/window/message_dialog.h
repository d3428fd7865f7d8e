// The window front end's message box: a modal dialog with a title, the
// exclamation icon when the style asks for it, the text and an OK button.
#ifndef DEXT_TOOLKIT_WINDOW_MESSAGE_DIALOG_H_
#define DEXT_TOOLKIT_WINDOW_MESSAGE_DIALOG_H_

#include <string>

namespace toolkit {

// The title a box gets when the caller gives none.
inline constexpr char kApplicationTitle[] = "DEXT";

// Whether a message box style asks for the exclamation icon (48).
bool WantsExclamation(int style);

// Shows the box (texts in Windows-1252) and returns when OK, Enter, Space,
// Escape or the close button has answered it. Other windows take no input
// meanwhile; they are still repainted.
void RunMessageDialog(const std::string& text, int style, const std::string& title);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_WINDOW_MESSAGE_DIALOG_H_

// The window front end's message box: a modal dialog with a title, the
// exclamation icon when the style asks for it, the text (one line for each
// '\n') and an OK button, with a Cancel button beside it for kOkCancel.
#ifndef DEXT_TOOLKIT_WINDOW_MESSAGE_DIALOG_H_
#define DEXT_TOOLKIT_WINDOW_MESSAGE_DIALOG_H_

#include <string>

namespace toolkit {

// Whether a message box style asks for the exclamation icon (48).
bool WantsExclamation(int style);

// Shows the box with that title (texts in Windows-1252; an empty title
// leaves the title bar empty) and returns the answer, kAnswerOk or
// kAnswerCancel, once a button, Enter, Space, Escape or the close button has
// answered it. Enter and Space press the button with the focus (OK at first;
// Tab and the arrows move it); Escape and the close button answer Cancel
// when the box has it, else OK. Other windows take no input meanwhile; they
// are still repainted.
int RunMessageDialog(const std::string& text, int style, const std::string& title);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_WINDOW_MESSAGE_DIALOG_H_

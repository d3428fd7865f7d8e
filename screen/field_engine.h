// The field engine: text boxes whose Tag holds a field definition become typed,
// formatted entry fields, numbered from 0 in the active form's design order.
#ifndef DEXT_SCREEN_FIELD_ENGINE_H_
#define DEXT_SCREEN_FIELD_ENGINE_H_

#include <cstdint>
#include <string>

namespace toolkit {
class TextBox;
}

namespace dext {

// The screen numbers: none activated yet, and the transfer screen.
inline constexpr int16_t kNoScreen = 0;
inline constexpr int16_t kTransferScreen = 1;

// MoveFocus's targets besides a field number: kNoField (also CurrentField
// when no field has the focus) starts again at the first eligible field;
// kFieldAfterKey goes where ScreenState says: the next or previous eligible
// field, the first one, or back to the current one.
inline constexpr int16_t kNoField = -1;
inline constexpr int16_t kFieldAfterKey = -2;

// Number of the screen last activated: kNoScreen until the transfer screen
// is shown.
int16_t& CurrentScreen();

// Position, in the active form's control collection, of field n's control
// (0 when the form has no such field).
int16_t ScreenFieldControl(int16_t n);

// Edits value by the control's field definition and makes it the control's Text.
void ShowValue(toolkit::TextBox& control, const std::string& value);

// Shows value in field n, then lets pending events run. Returns 0.
int16_t SetScreenField(int16_t n, const std::string& value);

// The value of field n, padded with blanks to the field's MaxLength.
std::string GetScreenField(int16_t n);

// Empties field n.
void ClearScreenField(int16_t n);

// Makes screen n current and shows it (only kTransferScreen has a form).
void ActivateScreen(int16_t n);

// n >= 0: focus to field n; kNoField or kFieldAfterKey: see above. Once the
// focus is placed ScreenState is kFocusMoved, and until a key changes it
// every move other than to a field number is ignored.
void MoveFocus(int16_t n);

// Sets the outer height of the transfer screen, in twips (3660 shows the
// destination prompt).
void SetTransferScreenHeight(int twips);

}  // namespace dext

#endif  // DEXT_SCREEN_FIELD_ENGINE_H_

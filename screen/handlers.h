// The keyboard and focus handlers of the transfer screen and its public
// method FldProc, which processes a field that has just been completed.
#ifndef DEXT_SCREEN_HANDLERS_H_
#define DEXT_SCREEN_HANDLERS_H_

#include <cstdint>

namespace dext {

// A function key ends the entry with its number: F1 to F12 are 1 to 12, 11
// to 22 with Alt, 21 to 32 with Shift, 31 to 42 with Ctrl (with two or more
// of Alt, Shift and Ctrl: 1 to 12); Page Up and Page Down are 41 and 42, 43
// and 44 with Ctrl alone. ResultWord gets kFunctionKeyResultBase plus the
// number, ScreenState becomes kEntryEnded and FunctionKeyHook is called with
// the number.
inline constexpr int16_t kFunctionKeyResultBase = 100;

// Sets ScreenState for a key-down of any other key; true when the key
// completes the field at once.
bool MapKeyDown(int16_t key_code, int shift);

void Form_KeyDown(int16_t& key_code, int shift);
void Form_KeyPress(int16_t& c);
void Form_KeyUp(int16_t& key_code, int shift);
void kvf_GotFocus(int16_t index);
void kvf_LostFocus(int16_t index);
void ButCancel_Click();
void Form_Click();
void FldProc();

// Filters a typed character by the active field's type; a full field gives
// up its last character so that the new one goes in at the caret.
void FilterKey(int16_t& c);

// Called with the number of a function key that ended the entry; does
// nothing here.
void FunctionKeyHook(int16_t n);

// Forgets the highlighted field (tests start each case afresh).
void ResetHighlight();

}  // namespace dext

#endif  // DEXT_SCREEN_HANDLERS_H_

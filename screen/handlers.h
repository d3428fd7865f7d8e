// The keyboard and focus handlers of the transfer screen and its public
// method FldProc, which processes a field that has just been completed.
#ifndef DEXT_SCREEN_HANDLERS_H_
#define DEXT_SCREEN_HANDLERS_H_

#include <cstdint>

namespace dext {

// Sets ScreenState for a key-down; true when the key completes the field at once.
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

// Called with 1 to 44 for function keys and Page Up/Down; does nothing here.
void FunctionKeyHook(int16_t n);

// Forgets the highlighted field (tests start each case afresh).
void ResetHighlight();

}  // namespace dext

#endif  // DEXT_SCREEN_HANDLERS_H_

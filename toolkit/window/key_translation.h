// Turns what FLTK reports for a key press (its key symbol, modifier state and
// the UTF-8 text the key typed) into the toolkit's raw key: a Windows
// virtual-key code, the shift state and the Windows-1252 character. Pure, so
// the translation is tested without a display.
#ifndef DEXT_TOOLKIT_WINDOW_KEY_TRANSLATION_H_
#define DEXT_TOOLKIT_WINDOW_KEY_TRANSLATION_H_

#include <optional>
#include <string_view>

#include "toolkit/keys.h"

namespace toolkit {

// The shift state (kShift | kCtrl | kAlt) of FLTK's event state bits.
int ShiftStateFromFltk(int fl_state);

// The key for one FL_KEYDOWN. nullopt for keys the form never sees on their
// own: Shift, Ctrl, Alt, the Windows keys and the lock keys. Alt+key makes no
// character; Ctrl+letter makes its control character (Ctrl+A is 1); a typed
// character that Windows-1252 lacks comes as a key without character.
std::optional<KeyInput> KeyFromFltk(int fl_key, int fl_state, std::string_view text);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_WINDOW_KEY_TRANSLATION_H_

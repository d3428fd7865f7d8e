// Input events and their routing through the active form. The routing lives
// here once; front ends only produce InputEvents.
//
// For one key: the form's KeyDown (key preview) -> the text box's own
// navigation keys unless the key code was set to 0 -> for a key that makes a
// character, the form's KeyPress, then the text box takes the character
// unless it was set to 0 -> the form's KeyUp. Alt+letter clicks the command
// button with that access key; Escape clicks a button marked Cancel.
#ifndef DEXT_TOOLKIT_EVENTS_H_
#define DEXT_TOOLKIT_EVENTS_H_

#include <cstdint>
#include <string>

#include "toolkit/keys.h"

namespace toolkit {

class Form;

struct InputEvent {
  enum class Kind { kKey, kClick };
  Kind kind = Kind::kKey;
  KeyInput key;
  // A click's target by name (and array index); an empty name is the form.
  std::string control_name;
  int16_t control_index = -1;

  static InputEvent Key(KeyInput key) { return {Kind::kKey, key, "", -1}; }
  static InputEvent Click(std::string name = "", int16_t index = -1) {
    return {Kind::kClick, {}, std::move(name), index};
  }
};

// Routes one event to the active form; nothing happens without one.
void Deliver(const InputEvent& event);

// Routes one key through a form.
void DeliverKey(Form& form, const KeyInput& key);

// Whether an event gets through while a handler runs (DoEvents inside a
// transfer): Escape, Alt+letter and clicks on command buttons do; other keys
// are discarded so that no second piece of work starts inside the first.
bool PassesWhileBusy(const InputEvent& event, const Form* form);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_EVENTS_H_

// Turns what ncurses reads (wide characters and KEY_* codes) into the
// toolkit's keys. Pure: tests feed it codes without a terminal.
//
// Escape starts a pending state: a character that follows at once is that
// character with Alt (terminals send Alt+C as ESC c); Timeout() after a short
// wait turns a lone ESC into the Escape key.
#ifndef DEXT_TOOLKIT_TERMINAL_KEY_DECODER_H_
#define DEXT_TOOLKIT_TERMINAL_KEY_DECODER_H_

#include <map>
#include <optional>
#include <vector>

#include "toolkit/keys.h"

namespace toolkit {

class KeyDecoder {
 public:
  // extra: codes that ncurses assigns at run time to extended key names
  // (kPRV5 is Ctrl+Page Up on xterm, and so on).
  explicit KeyDecoder(std::map<int, KeyInput> extra = {});

  // One read: a KEY_* code when is_key_code, else a Unicode character.
  // Returns the keys now complete (none while an ESC is pending).
  std::vector<KeyInput> Feed(int code, bool is_key_code);
  // Whether a lone ESC waits for what follows.
  bool EscapePending() const { return escape_pending_; }
  // Nothing followed the ESC in time: it is the Escape key.
  std::vector<KeyInput> Timeout();

 private:
  std::optional<KeyInput> DecodeKeyCode(int code) const;
  static KeyInput DecodeCharacter(char32_t character);

  std::map<int, KeyInput> extra_;
  bool escape_pending_ = false;
};

// Teaches the current ncurses screen the modified keys a terminal can send
// and returns their codes, for KeyDecoder's `extra`: F1-F12, the arrows,
// Home, End, Page Up, Page Down, Insert and Delete with Shift, Ctrl, Alt and
// their combinations. The terminal description's own names for them (kUP5,
// kNXT3, ...) count first; xterm's sequences (ESC [1;5A, ESC [6;3~, ...),
// which some descriptions (screen, tmux) leave out, are added where missing.
std::map<int, KeyInput> RegisterModifiedKeys();

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_TERMINAL_KEY_DECODER_H_

// The headless front end: draws nothing and takes its keys from a script.
// A message box writes "Error: text" to standard error and is answered OK at
// once.
#ifndef DEXT_TOOLKIT_HEADLESS_H_
#define DEXT_TOOLKIT_HEADLESS_H_

#include <deque>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "toolkit/front_end.h"

namespace toolkit {

class HeadlessFrontEnd : public FrontEnd {
 public:
  explicit HeadlessFrontEnd(std::ostream& messages);
  HeadlessFrontEnd();

  void ShowMessage(const std::string& text, int style, const std::string& title) override;
  void Beep() override;
  std::optional<InputEvent> NextInput(bool wait) override;

  // Input for the event loop, delivered in order after what is already queued.
  void Script(const std::vector<InputEvent>& events);
  // Input that is pending the next time DoEvents runs (typed while a
  // handler works); DoEvents takes all of it.
  void ScriptWhileBusy(const std::vector<InputEvent>& events);

  int beeps() const { return beeps_; }
  const std::vector<std::string>& messages() const { return shown_; }

  // Called while a message box is up, before it is answered; tests use it to
  // act "while the user reads the message".
  std::function<void(const std::string& text)> on_message;

 private:
  std::ostream& messages_;
  std::deque<InputEvent> script_;
  std::deque<InputEvent> while_busy_;
  std::vector<std::string> shown_;
  int beeps_ = 0;
};

// Parses a key script: characters are typed as they stand; {Name} is a named
// key with optional modifiers: {Enter} {Tab} {Shift+Tab} {Esc} {Backspace}
// {Delete} {Home} {End} {Left} {Right} {Up} {Down} {PgUp} {PgDn} {F1}..{F12}
// {Alt+C} {Ctrl+F1} {Click:ButCancel}; "{{" types "{". Text is UTF-8; a
// character Windows-1252 lacks is delivered as a key without character.
// Errors throw std::invalid_argument saying where: "keys:4: unknown key 'Fo'".
std::vector<InputEvent> ParseKeyScript(const std::string& script);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_HEADLESS_H_

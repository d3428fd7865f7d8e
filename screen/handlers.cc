#include "screen/handlers.h"

#include <exception>
#include <string>

#include "screen/field_definition.h"
#include "screen/field_engine.h"
#include "screen/field_procedures.h"
#include "screen/filters.h"
#include "session/orderly_end.h"
#include "context/session.h"
#include "toolkit/form.h"
#include "toolkit/keys.h"

namespace dext {

namespace {

struct Highlight {
  bool on = false;
  int16_t control = 0;
  toolkit::Form* form = nullptr;
};
Highlight highlight;

toolkit::TextBox* ActiveTextBox() {
  toolkit::Form* form = toolkit::ActiveForm();
  toolkit::Control* active = form ? form->ActiveControl() : nullptr;
  return active && active->IsTextBox() ? static_cast<toolkit::TextBox*>(active) : nullptr;
}

// The focus handlers pass over a failing step and go on with the next one;
// the orderly end (ProgramEnd, not a std::exception) passes through.
template <typename Step>
void PassOver(Step step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

void ExchangeColors(toolkit::Control& control) { std::swap(control.BackColor, control.ForeColor); }

// Strips the padding of a field entered for editing (trailing pad characters
// of a right-justified field stay; trailing blanks always go).
std::string WithoutPadding(const std::string& text, char pad, char justification) {
  int n = static_cast<int>(text.size());
  if (n == 0) return text;
  int g = 1;
  while (g <= n && (text[g - 1] == pad || text[g - 1] == ' ')) ++g;
  while (n > g) {
    if (text[n - 1] == ' ' || (text[n - 1] == pad && justification != 'R')) {
      --n;
    } else {
      break;
    }
  }
  return g > n ? "" : text.substr(g - 1, n - g + 1);
}

void FieldFocusArrived() {
  toolkit::Control* c = nullptr;
  PassOver([&] {
    highlight.form = toolkit::ActiveForm();
    c = highlight.form ? highlight.form->ActiveControl() : nullptr;
  });
  if (!c) return;
  const FieldDefinition definition(c->Tag);
  if (!definition.Eligible()) {
    MoveFocus(kFieldAfterKey);
    return;
  }
  PassOver([&] {
    int16_t field = 0;
    for (int16_t i = 0; i < highlight.form->ControlCount(); ++i) {
      const toolkit::Control& control = highlight.form->ControlAt(i);
      if (control.Tag.empty()) continue;
      if (control.TabIndex == c->TabIndex) {
        highlight.control = i;
        Session().CurrentField = field;
        highlight.on = true;
        break;
      }
      ++field;
    }
  });
  if (!c->IsTextBox()) return;
  auto& box = static_cast<toolkit::TextBox&>(*c);
  PassOver([&] {
    box.SetText(WithoutPadding(box.Text(), definition.PadCharacter(), definition.Justification()));
  });
  PassOver([&] { ExchangeColors(box); });
}

void FieldFocusLeft() {
  PassOver([] {
    if (!highlight.on || !highlight.form) return;
    toolkit::Control& control = highlight.form->ControlAt(highlight.control);
    if (control.IsTextBox() && !FieldDefinition(control.Tag).Eligible()) return;
    if (control.IsTextBox()) ExchangeColors(control);
    highlight.on = false;
  });
}

// The number of a function key (see kFunctionKeyResultBase), 0 for any
// other key.
int16_t FunctionKeyNumber(int16_t key_code, int shift) {
  if (key_code >= toolkit::kKeyF1 && key_code <= toolkit::kKeyF12) {
    const int16_t f = static_cast<int16_t>(key_code - toolkit::kKeyF1 + 1);
    switch (shift) {
      case toolkit::kAlt: return static_cast<int16_t>(f + 10);
      case toolkit::kShift: return static_cast<int16_t>(f + 20);
      case toolkit::kCtrl: return static_cast<int16_t>(f + 30);
      default: return f;
    }
  }
  if (key_code == toolkit::kKeyPageUp || key_code == toolkit::kKeyPageDown) {
    const int16_t page = static_cast<int16_t>(key_code == toolkit::kKeyPageUp ? 41 : 42);
    return static_cast<int16_t>(shift == toolkit::kCtrl ? page + 2 : page);
  }
  return 0;
}

void EndEntryWithFunctionKey(int16_t number) {
  SessionContext& session = Session();
  session.ResultWord = static_cast<int16_t>(kFunctionKeyResultBase + number);
  session.ScreenState = ScreenState::kEntryEnded;
  FunctionKeyHook(number);
}

}  // namespace

bool MapKeyDown(int16_t key_code, int shift) {
  ScreenState& state = Session().ScreenState;
  bool completes = false;
  if (key_code == toolkit::kKeyEnd) {
    state = ScreenState::kFirstField;
  } else if (key_code == toolkit::kKeyHome) {
    state = ScreenState::kFirstField;
    completes = true;
  } else if (key_code == toolkit::kKeyTab && shift == 0) {
    state = ScreenState::kNextField;
  } else if (key_code == toolkit::kKeyTab && shift == toolkit::kShift) {
    state = ScreenState::kPreviousField;
  } else if (key_code == toolkit::kKeyUp) {
    state = ScreenState::kFieldAbove;
    completes = true;
  } else if (key_code == toolkit::kKeyDown) {
    state = ScreenState::kFieldBelow;
    completes = true;
  } else if (key_code == toolkit::kKeyEnter) {
    state = ScreenState::kEnter;
  } else {
    state = ScreenState::kTyping;
  }
  return completes;
}

void Form_KeyDown(int16_t& key_code, int shift) {
  if (const int16_t number = FunctionKeyNumber(key_code, shift)) {
    EndEntryWithFunctionKey(number);
  } else if (MapKeyDown(key_code, shift)) {
    Form_KeyPress(key_code);
  }
}

void Form_KeyPress(int16_t& c) {
  SessionContext& session = Session();
  if (c == toolkit::kKeyBackspace) return;
  if (c == toolkit::kKeyEscape) {
    ButCancel_Click();
    return;
  }
  if (toolkit::TextBox* box = ActiveTextBox()) {
    // Home first takes the caret to the start; only there does it complete.
    if (session.ScreenState == ScreenState::kFirstField && box->SelStart() > 0) return;
    if (session.ScreenState == ScreenState::kTyping && box->SelLength() != 0) box->SetText("");
  }
  if (session.ScreenState != ScreenState::kTyping) {
    FldProc();
    c = 0;
    return;
  }
  FilterKey(c);
}

void Form_KeyUp(int16_t& /*key_code*/, int /*shift*/) {
  toolkit::TextBox* box = ActiveTextBox();
  if (box && Session().ScreenState == ScreenState::kTyping &&
      !FieldDefinition(box->Tag).NoAutoCompletion() && box->SelStart() == box->MaxLength) {
    FldProc();
  }
}

void FilterKey(int16_t& c) {
  toolkit::TextBox* box = ActiveTextBox();
  if (!box) return;
  c = FilterCharacter(FieldDefinition(box->Tag).TypeLetter(), c, box->Text());
  if (c != 0 && static_cast<int>(box->Text().size()) == box->MaxLength) {
    const int16_t caret = box->SelStart();
    box->SetText(box->Text().substr(0, box->MaxLength - 1));
    box->SetSelStart(caret);
  }
}

void FunctionKeyHook(int16_t /*n*/) {}

void FldProc() {
  SessionContext& session = Session();
  toolkit::Form* form = toolkit::ActiveForm();
  toolkit::Control* active = form ? form->ActiveControl() : nullptr;
  if (active && active->IsTextBox()) {
    auto& box = static_cast<toolkit::TextBox&>(*active);
    ShowValue(box, box.Text());
  }
  if (active &&
      (session.ScreenState != ScreenState::kPreviousField || session.ProcessOnBackTab != 0)) {
    if (FieldProcedure procedure = FindFieldProcedure(FieldDefinition(active->Tag).Name())) {
      session.ResultWord = procedure();
    }
  }
  MoveFocus(kFieldAfterKey);
}

void kvf_GotFocus(int16_t /*index*/) { FieldFocusArrived(); }
void kvf_LostFocus(int16_t /*index*/) { FieldFocusLeft(); }

void ButCancel_Click() {
  Session().ScreenState = ScreenState::kEntryEnded;
  EndProgram(ExitStatus::kCancelled);
}

void Form_Click() {
  if (CurrentScreen() != kTransferScreen) ActivateScreen(CurrentScreen());
}

void ResetHighlight() { highlight = Highlight{}; }

}  // namespace dext

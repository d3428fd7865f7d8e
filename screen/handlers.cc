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
    MoveFocus(-2);
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

int16_t FunctionKeyState(int16_t key_code, int shift) {
  switch (shift) {
    case toolkit::kShift: return key_code + 9;
    case toolkit::kCtrl: return key_code + 19;
    case toolkit::kAlt: return key_code - 1;
    default: return key_code - 11;
  }
}

}  // namespace

bool MapKeyDown(int16_t key_code, int shift) {
  int16_t& state = Session().ScreenState;
  bool completes = false;
  if (key_code >= toolkit::kKeyF1 && key_code <= toolkit::kKeyF12) {
    state = FunctionKeyState(key_code, shift);
    completes = true;
  } else if (key_code == toolkit::kKeyPageUp || key_code == toolkit::kKeyPageDown) {
    state = key_code + (shift == toolkit::kCtrl ? 110 : 108);
    completes = true;
  } else if (key_code == toolkit::kKeyEnd) {
    state = 8;
  } else if (key_code == toolkit::kKeyHome) {
    state = 8;
    completes = true;
  } else if (key_code == toolkit::kKeyTab && (shift == 0 || shift == toolkit::kShift)) {
    state = static_cast<int16_t>(shift + 1);
  } else if (key_code == toolkit::kKeyUp) {
    state = 3;
    completes = true;
  } else if (key_code == toolkit::kKeyDown) {
    state = 4;
    completes = true;
  } else if (key_code == toolkit::kKeyEnter) {
    state = 7;
  } else {
    state = 0;
  }
  return completes;
}

void Form_KeyDown(int16_t& key_code, int shift) {
  if (MapKeyDown(key_code, shift)) Form_KeyPress(key_code);
}

void Form_KeyPress(int16_t& c) {
  SessionContext& session = Session();
  if (c == toolkit::kKeyBackspace) return;
  if (c == toolkit::kKeyEscape) {
    ButCancel_Click();
    return;
  }
  if (session.ScreenState >= 100) {
    const int16_t code = session.ScreenState;
    session.ResultWord = code;
    session.ScreenState = 9;
    FunctionKeyHook(static_cast<int16_t>(code - 100));
    return;
  }
  if (toolkit::TextBox* box = ActiveTextBox()) {
    if (session.ScreenState == 8 && box->SelStart() > 0) return;
    if (session.ScreenState == 0 && box->SelLength() != 0) box->SetText("");
  }
  if (session.ScreenState != 0) {
    FldProc();
    c = 0;
    return;
  }
  FilterKey(c);
}

void Form_KeyUp(int16_t& /*key_code*/, int /*shift*/) {
  toolkit::TextBox* box = ActiveTextBox();
  if (box && Session().ScreenState == 0 && !FieldDefinition(box->Tag).NoAutoCompletion() &&
      box->SelStart() == box->MaxLength) {
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
  if (active && (session.ScreenState != 2 || session.ProcessOnBackTab != 0)) {
    if (FieldProcedure procedure = FindFieldProcedure(FieldDefinition(active->Tag).Name())) {
      session.ResultWord = procedure();
    }
  }
  MoveFocus(-2);
}

void kvf_GotFocus(int16_t /*index*/) { FieldFocusArrived(); }
void kvf_LostFocus(int16_t /*index*/) { FieldFocusLeft(); }

void ButCancel_Click() {
  Session().ScreenState = 9;
  EndProgram(ExitStatus::kCancelled);
}

void Form_Click() {
  if (CurrentScreen() != 1) ActivateScreen(CurrentScreen());
}

void ResetHighlight() { highlight = Highlight{}; }

}  // namespace dext

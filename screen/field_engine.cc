#include "screen/field_engine.h"

#include "records/library.h"
#include "records/numeric.h"
#include "screen/field_definition.h"
#include "screen/transfer_form.h"
#include "context/session.h"
#include "toolkit/form.h"
#include "toolkit/front_end.h"
#include "toolkit/message_box.h"

namespace dext {

namespace {

constexpr char kTooLarge[] = "Number too large for field";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

toolkit::Control& FieldControl(int16_t n) {
  return toolkit::ActiveForm()->ControlAt(ScreenFieldControl(n));
}

// The numeric types: rounded, edited with the built-in picture, left-justified.
std::string EditedNumber(const std::string& value, int places) {
  const double number = NumericValue(TextFromLibrary(Library().KVBunedit(value.c_str())));
  const std::string number_text = NumberText(RoundNumber(number, static_cast<int16_t>(places)));
  std::string picture = "zzz,zzz,zzz,zz9";
  if (places > 0) picture += "." + std::string(places, '9');
  std::string edited = EditNumber(number_text, picture);
  if (edited.empty()) toolkit::MessageBox(kTooLarge);
  return TextFromLibrary(Library().KVBljust(edited.c_str(), " "));
}

// The other types: by the picture of the definition, if any.
std::string PicturedValue(const std::string& value, const FieldDefinition& definition) {
  const std::string picture = definition.Picture();
  if (picture.empty()) return value;
  if (picture.find('#') != std::string::npos) {
    if (value.find_first_not_of(' ') == std::string::npos) return "";
    int32_t flag = definition.TypeLetter() == 'R' ? -1 : 0;
    return TextFromLibrary(Library().KVBpicture(value.c_str(), picture.c_str(), &flag));
  }
  std::string edited = EditNumber(value, picture);
  if (edited.empty()) toolkit::MessageBox(kTooLarge);
  return edited;
}

std::string Justified(const std::string& text, char justification, char pad) {
  const std::string pad_text(1, pad);
  switch (justification) {
    case 'C': return TextFromLibrary(Library().KVBcenter(text.c_str(), pad_text.c_str()));
    case 'L': return TextFromLibrary(Library().KVBljust(text.c_str(), pad_text.c_str()));
    case 'R': return TextFromLibrary(Library().KVBrjust(text.c_str(), pad_text.c_str()));
    default: return text;
  }
}

void PadTo(std::string& text, int length) {
  if (static_cast<int>(text.size()) < length) text.resize(length, ' ');
}

bool IsField(const toolkit::Control& control) { return !control.Tag.empty(); }

bool MovesBackward(ScreenState state) {
  return state == ScreenState::kPreviousField || state == ScreenState::kFieldAbove;
}

// The next or previous eligible field from CurrentField (forward wraps to the
// first), or kNoField.
int16_t SearchEligibleField(bool backward) {
  const toolkit::Form& form = *toolkit::ActiveForm();
  const int16_t current = Session().CurrentField;
  int16_t first = kNoField, previous = kNoField, field = 0;
  for (int16_t i = 0; i < form.ControlCount(); ++i) {
    const toolkit::Control& control = form.ControlAt(i);
    if (!IsField(control)) continue;
    const int16_t number = field++;
    if (!FieldDefinition(control.Tag).Eligible()) continue;
    if (first < 0) first = number;
    if (backward) {
      if (number == current) return previous;
      previous = number;
    } else if (number > current) {
      return number;
    }
  }
  return first;
}

}  // namespace

int16_t& CurrentScreen() {
  static int16_t current_screen = kNoScreen;
  return current_screen;
}

int16_t ScreenFieldControl(int16_t n) {
  const toolkit::Form* form = toolkit::ActiveForm();
  if (!form) return 0;
  int16_t field = 0;
  for (int16_t i = 0; i < form->ControlCount(); ++i) {
    if (!IsField(form->ControlAt(i))) continue;
    if (field == n) return i;
    ++field;
  }
  return 0;
}

void ShowValue(toolkit::TextBox& control, const std::string& value) {
  const FieldDefinition definition(control.Tag);
  const char type = definition.TypeLetter();
  std::string text = IsDigit(type) ? EditedNumber(value, type - '0')
                                   : PicturedValue(value, definition);
  if (static_cast<int>(text.size()) < control.MaxLength) {
    PadTo(text, control.MaxLength);
  } else if (control.MaxLength > 0) {
    text.resize(control.MaxLength);
  }
  control.SetText(Justified(text, definition.Justification(), definition.PadCharacter()));
}

int16_t SetScreenField(int16_t n, const std::string& value) {
  if (!toolkit::ActiveForm()) return 0;
  toolkit::Control& control = FieldControl(n);
  if (control.IsTextBox()) ShowValue(static_cast<toolkit::TextBox&>(control), value);
  toolkit::DoEvents();
  return 0;
}

std::string GetScreenField(int16_t n) {
  if (!toolkit::ActiveForm()) return "";
  toolkit::Control& control = FieldControl(n);
  if (!control.IsTextBox()) return "";
  const auto& box = static_cast<const toolkit::TextBox&>(control);
  const char type = static_cast<char>(std::toupper(
      static_cast<unsigned char>(FieldDefinition(box.Tag).TypeLetter())));
  std::string value = IsDigit(type) || type == 'N'
                          ? TextFromLibrary(Library().KVBunedit(box.Text().c_str()))
                          : box.Text();
  PadTo(value, box.MaxLength);
  return value;
}

void ClearScreenField(int16_t n) {
  if (!toolkit::ActiveForm()) return;
  toolkit::Control& control = FieldControl(n);
  if (control.IsTextBox()) static_cast<toolkit::TextBox&>(control).SetText("");
}

void ActivateScreen(int16_t n) {
  SessionContext& session = Session();
  if (n != CurrentScreen()) {
    session.ScreenState = ScreenState::kTyping;
    session.CurrentField = kNoField;
  }
  CurrentScreen() = n;
  if (n != kTransferScreen) return;
  toolkit::Form& form = TransferForm();
  toolkit::DoEvents();
  form.Show();
  form.window_state = toolkit::WindowState::kNormal;
}

void MoveFocus(int16_t n) {
  SessionContext& session = Session();
  if (session.ScreenState == ScreenState::kFocusMoved && n < 0) return;
  if (!toolkit::ActiveForm()) return;
  int16_t target = n;
  if (n < 0) {
    if (n == kNoField || session.ScreenState == ScreenState::kFirstField) {
      session.CurrentField = kNoField;
    }
    if (n == kFieldAfterKey && session.ScreenState == ScreenState::kEntryEnded) {
      target = session.CurrentField;
    } else {
      target = SearchEligibleField(MovesBackward(session.ScreenState));
    }
    if (target < 0) return;
  }
  session.CurrentField = target;
  toolkit::Control& control = FieldControl(target);
  control.form()->SetFocus(control);
  if (control.IsTextBox()) {
    auto& box = static_cast<toolkit::TextBox&>(control);
    box.SetSelStart(0);
    box.SetSelLength(0);
  }
  session.ScreenState = ScreenState::kFocusMoved;
}

void SetTransferScreenHeight(int twips) {
  TransferForm().SetHeight(twips);
  toolkit::CurrentFrontEnd().Repaint();
}

}  // namespace dext

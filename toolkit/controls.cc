#include "toolkit/controls.h"

#include <algorithm>
#include <cctype>

#include "toolkit/keys.h"

namespace toolkit {

Control::Control(ControlKind kind, std::string name, int16_t index)
    : kind_(kind), name_(std::move(name)), index_(index) {}

TextBox::TextBox(std::string name, int16_t index)
    : Control(ControlKind::kTextBox, std::move(name), index) {}

Label::Label(std::string name, int16_t index)
    : Control(ControlKind::kLabel, std::move(name), index) {}

CommandButton::CommandButton(std::string name, int16_t index)
    : Control(ControlKind::kCommandButton, std::move(name), index) {}

void TextBox::SetText(std::string text) {
  text_ = std::move(text);
  anchor_ = caret_ = 0;
}

void TextBox::SetSelStart(int16_t position) {
  anchor_ = caret_ = std::clamp<int16_t>(position, 0, TextLength());
}

void TextBox::SetSelLength(int16_t length) {
  anchor_ = SelStart();
  caret_ = static_cast<int16_t>(anchor_ + std::clamp<int16_t>(length, 0, TextLength() - anchor_));
}

void TextBox::DeleteSelection() {
  text_.erase(SelStart(), SelLength());
  anchor_ = caret_ = SelStart();
}

void TextBox::HandleNavigationKey(int16_t key_code, int shift) {
  const bool extend = shift & kShift;
  const bool selected = SelLength() != 0;
  int16_t target;
  switch (key_code) {
    case kKeyLeft:
      // Without Shift, Left over a selection stops at its lower end.
      target = selected && !extend ? SelStart() : caret_ - 1;
      break;
    case kKeyRight:
      target = selected && !extend ? SelStart() + SelLength() : caret_ + 1;
      break;
    case kKeyHome:
      target = 0;
      break;
    case kKeyEnd:
      target = TextLength();
      break;
    case kKeyDelete:
      if (!selected && caret_ < TextLength()) caret_ = anchor_ + 1;
      DeleteSelection();
      return;
    default:
      return;
  }
  caret_ = std::clamp<int16_t>(target, 0, TextLength());
  if (!extend) anchor_ = caret_;
}

void TextBox::TypeCharacter(int16_t character) {
  if (character == kKeyBackspace) {
    if (SelLength() == 0 && caret_ > 0) anchor_ = caret_ - 1;
    DeleteSelection();
    return;
  }
  if (character < 32 || character > 255) return;
  DeleteSelection();
  if (MaxLength > 0 && TextLength() >= MaxLength) return;
  text_.insert(text_.begin() + caret_, static_cast<char>(character));
  anchor_ = ++caret_;
}

char CommandButton::AccessKey() const {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(Caption[i + 1])));
  }
  return 0;
}

std::string CommandButton::ShownCaption() const {
  std::string shown;
  for (size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&' && i + 1 < Caption.size()) ++i;
    shown += Caption[i];
  }
  return shown;
}

}  // namespace toolkit

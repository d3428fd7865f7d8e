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
  sel_start_ = 0;
  sel_length_ = 0;
}

void TextBox::SetSelStart(int16_t position) {
  const auto length = static_cast<int16_t>(text_.size());
  sel_start_ = std::clamp<int16_t>(position, 0, length);
  sel_length_ = 0;
}

void TextBox::SetSelLength(int16_t length) {
  const auto room = static_cast<int16_t>(text_.size() - sel_start_);
  sel_length_ = std::clamp<int16_t>(length, 0, room);
}

void TextBox::DeleteSelection() {
  text_.erase(sel_start_, sel_length_);
  sel_length_ = 0;
}

void TextBox::HandleNavigationKey(int16_t key_code, int shift) {
  const auto length = static_cast<int16_t>(text_.size());
  int16_t target;
  switch (key_code) {
    case kKeyLeft:
      target = sel_length_ && !(shift & kShift) ? sel_start_ : sel_start_ - 1;
      break;
    case kKeyRight:
      target = sel_length_ && !(shift & kShift) ? sel_start_ + sel_length_
                                                : sel_start_ + sel_length_ + 1;
      break;
    case kKeyHome:
      target = 0;
      break;
    case kKeyEnd:
      target = length;
      break;
    case kKeyDelete:
      if (sel_length_ == 0 && sel_start_ < length) sel_length_ = 1;
      DeleteSelection();
      return;
    default:
      return;
  }
  target = std::clamp<int16_t>(target, 0, length);
  if (shift & kShift) {
    // The selection runs from the start to the new position (the anchor is
    // kept at the start, which is all this box needs).
    if (target >= sel_start_) {
      sel_length_ = static_cast<int16_t>(target - sel_start_);
    } else {
      sel_length_ = static_cast<int16_t>(sel_start_ + sel_length_ - target);
      sel_start_ = target;
    }
    return;
  }
  sel_start_ = target;
  sel_length_ = 0;
}

void TextBox::TypeCharacter(int16_t character) {
  if (character == kKeyBackspace) {
    if (sel_length_ == 0 && sel_start_ > 0) {
      --sel_start_;
      sel_length_ = 1;
    }
    DeleteSelection();
    return;
  }
  if (character < 32 || character > 255) return;
  DeleteSelection();
  if (MaxLength > 0 && static_cast<int>(text_.size()) >= MaxLength) return;
  text_.insert(text_.begin() + sel_start_, static_cast<char>(character));
  ++sel_start_;
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

#include "toolkit/headless.h"

#include <cctype>
#include <iostream>
#include <stdexcept>

#include "platform/cp1252.h"

namespace toolkit {

HeadlessFrontEnd::HeadlessFrontEnd(std::ostream& messages) : messages_(messages) {}
HeadlessFrontEnd::HeadlessFrontEnd() : HeadlessFrontEnd(std::cerr) {}

void HeadlessFrontEnd::ShowMessage(const std::string& text, int /*style*/,
                                   const std::string& /*title*/) {
  messages_ << "Error: " << text << std::endl;
  shown_.push_back(text);
  if (on_message) on_message(text);
}

void HeadlessFrontEnd::Beep() { ++beeps_; }

std::optional<InputEvent> HeadlessFrontEnd::NextInput(bool wait) {
  std::deque<InputEvent>& queue = wait ? script_ : while_busy_;
  if (queue.empty()) return std::nullopt;
  InputEvent event = queue.front();
  queue.pop_front();
  return event;
}

void HeadlessFrontEnd::Script(const std::vector<InputEvent>& events) {
  script_.insert(script_.end(), events.begin(), events.end());
}

void HeadlessFrontEnd::ScriptWhileBusy(const std::vector<InputEvent>& events) {
  while_busy_.insert(while_busy_.end(), events.begin(), events.end());
}

namespace {

struct NamedKeyEntry {
  const char* name;
  int16_t key_code;
};
constexpr NamedKeyEntry kNamedKeys[] = {
    {"Enter", kKeyEnter},   {"Tab", kKeyTab},        {"Esc", kKeyEscape},
    {"Escape", kKeyEscape}, {"Backspace", kKeyBackspace}, {"Delete", kKeyDelete},
    {"Home", kKeyHome},     {"End", kKeyEnd},        {"Left", kKeyLeft},
    {"Right", kKeyRight},   {"Up", kKeyUp},          {"Down", kKeyDown},
    {"PgUp", kKeyPageUp},   {"PgDn", kKeyPageDown},  {"Insert", kKeyInsert},
};

int16_t KeyCodeOfName(const std::string& name) {
  for (const NamedKeyEntry& entry : kNamedKeys) {
    if (name == entry.name) return entry.key_code;
  }
  if (name.size() >= 2 && name[0] == 'F' && name.find_first_not_of("0123456789", 1) == std::string::npos) {
    const int number = std::stoi(name.substr(1));
    if (number >= 1 && number <= 12) return static_cast<int16_t>(kKeyF1 + number - 1);
  }
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    return static_cast<int16_t>(std::toupper(static_cast<unsigned char>(name[0])));
  }
  return 0;
}

// One {...} item, without the braces.
InputEvent ParseBraced(const std::string& item, size_t column) {
  auto fail = [&](const std::string& what) {
    throw std::invalid_argument("keys:" + std::to_string(column) + ": " + what);
  };
  if (item.rfind("Click:", 0) == 0) return InputEvent::Click(item.substr(6));
  if (item == "Click") return InputEvent::Click();
  int shift = 0;
  std::string rest = item;
  for (size_t plus; (plus = rest.find('+')) != std::string::npos && plus > 0;) {
    const std::string modifier = rest.substr(0, plus);
    if (modifier == "Shift") {
      shift |= kShift;
    } else if (modifier == "Ctrl") {
      shift |= kCtrl;
    } else if (modifier == "Alt") {
      shift |= kAlt;
    } else {
      fail("unknown modifier '" + modifier + "'");
    }
    rest = rest.substr(plus + 1);
  }
  const int16_t key_code = KeyCodeOfName(rest);
  if (key_code == 0) fail("unknown key '" + rest + "'");
  if (rest.size() == 1) {
    // A letter or digit with modifiers: Ctrl+letter makes its control
    // character, Alt+letter none, Shift+letter the capital.
    KeyInput key{key_code, shift, 0};
    if (shift == kShift || shift == 0) {
      key.character = shift ? key_code : static_cast<int16_t>(std::tolower(key_code));
    } else if (shift == kCtrl && std::isalpha(key_code)) {
      key.character = static_cast<int16_t>(key_code - 64);
    }
    return InputEvent::Key(key);
  }
  return InputEvent::Key(NamedKey(key_code, shift));
}

}  // namespace

std::vector<InputEvent> ParseKeyScript(const std::string& script) {
  std::vector<InputEvent> events;
  size_t at = 0;
  while (at < script.size()) {
    if (script.compare(at, 2, "{{") == 0) {
      events.push_back(InputEvent::Key(KeyForCharacter('{')));
      at += 2;
    } else if (script[at] == '{') {
      const size_t close = script.find('}', at);
      if (close == std::string::npos) {
        throw std::invalid_argument("keys:" + std::to_string(at + 1) + ": '{' without '}'");
      }
      events.push_back(ParseBraced(script.substr(at + 1, close - at - 1), at + 1));
      at = close + 1;
    } else {
      size_t taken;
      const std::optional<char32_t> code_point =
          platform::DecodeUtf8(std::string_view(script).substr(at), taken);
      const std::optional<uint8_t> byte =
          code_point ? platform::Cp1252FromCodePoint(*code_point) : std::nullopt;
      events.push_back(InputEvent::Key(byte ? KeyForCharacter(*byte) : KeyInput{}));
      at += taken;
    }
  }
  return events;
}

}  // namespace toolkit

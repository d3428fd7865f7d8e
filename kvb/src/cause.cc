#include "cause.h"

#include <cstdlib>
#include <cstring>

namespace kvb {
namespace {

struct Note {
  int16_t code = 0;
  std::string text;
};

thread_local Note note;

}  // namespace

int16_t WithCause(int16_t code, std::string_view cause) {
  if (code == 0) return code;
  note.code = code;
  note.text = OneLine(cause);
  return code;
}

int16_t WithSystemError(int16_t code, std::string_view what, int error) {
  std::string text(what);
  if (error != 0) text += (text.empty() ? "" : ": ") + std::string(std::strerror(error));
  return WithCause(code, text);
}

std::string TakeCause(int16_t code) {
  std::string text = note.code == code ? std::move(note.text) : std::string();
  DropCause();
  return text;
}

std::string TakeCause() {
  std::string text = std::move(note.text);
  DropCause();
  return text;
}

KeptCause::KeptCause() : code_(note.code), text_(note.text) {}

KeptCause::~KeptCause() {
  note.code = code_;
  note.text = std::move(text_);
}

void DropCause() {
  note.code = 0;
  note.text.clear();
}

std::string ForeignFormat(std::string_view found, std::string_view ours) {
  if (found.empty()) return "not a store of keyed record files (no format marker in kvb_meta)";
  std::string text =
      "store format '" + std::string(found) + "'; this library reads '" + std::string(ours) + "'";
  // "kvb keyed record store 2" against "... 1": same words, a higher number.
  const size_t number = ours.rfind(' ') + 1;
  if (found.size() > number && found.substr(0, number) == ours.substr(0, number) &&
      std::atol(std::string(found.substr(number)).c_str()) >
          std::atol(std::string(ours.substr(number)).c_str())) {
    text += ": a newer version of the library made it; use that version";
  }
  return text;
}

std::string OneLine(std::string_view text) {
  std::string line;
  bool blank = false, line_end = false;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      line_end = !line.empty();
      continue;
    }
    if (c == '\t' || c == ' ') {
      blank = !line.empty();
      continue;
    }
    // Lines are joined as sentences: "failed: No such file. Is the server running".
    if (line_end && std::strchr(".:;,!?", line.back()) == nullptr) line += '.';
    if (blank || line_end) line += ' ';
    blank = line_end = false;
    line += c;
  }
  return line;
}

}  // namespace kvb

#include "layout.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "cause.h"
#include "status.h"

namespace kvb {
namespace {

constexpr int kMaxWidth = 4000;
constexpr int kMaxOccurrences = 999;
constexpr int kMaxRecordWidth = 1 << 20;
constexpr size_t kMaxNameLength = 16;

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::istringstream in{std::string(line.substr(0, line.find('#')))};
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

bool IsFieldName(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameLength || !std::isupper(name[0])) return false;
  for (char c : name) {
    if (!std::isupper(static_cast<unsigned char>(c)) &&
        !std::isdigit(static_cast<unsigned char>(c)) && c != '_') {
      return false;
    }
  }
  return true;
}

bool ParseCount(const std::string& word, int low, int high, int* value) {
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), *value);
  return ec == std::errc() && end == word.data() + word.size() && *value >= low && *value <= high;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// FNV-1a of the upper-case name.
size_t NameHash(std::string_view name) {
  uint32_t hash = 2166136261u;
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(AsciiUpper(c))) * 16777619u;
  return hash;
}

// stored is upper case already.
bool SameName(std::string_view stored, std::string_view wanted) {
  if (stored.size() != wanted.size()) return false;
  for (size_t i = 0; i < wanted.size(); ++i) {
    if (AsciiUpper(wanted[i]) != stored[i]) return false;
  }
  return true;
}

}  // namespace

uint64_t NextLayoutSerial() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

const Field* Layout::Find(std::string_view name) const {
  if (slots_.empty()) return nullptr;
  const size_t mask = slots_.size() - 1;
  for (size_t i = NameHash(name) & mask;; i = (i + 1) & mask) {
    const int slot = slots_[i];
    if (slot < 0) return nullptr;
    if (SameName(fields_[slot].name, name)) return &fields_[slot];
  }
}

void Layout::Add(Field field) {
  fields_.push_back(std::move(field));
  if (2 * fields_.size() <= slots_.size()) {
    Enter(fields_.size() - 1);
    return;
  }
  slots_.assign(std::bit_ceil(std::max<size_t>(16, 4 * fields_.size())), -1);
  for (size_t f = 0; f < fields_.size(); ++f) Enter(f);
}

void Layout::Enter(size_t f) {
  const size_t mask = slots_.size() - 1;
  size_t i = NameHash(fields_[f].name) & mask;
  while (slots_[i] >= 0) i = (i + 1) & mask;
  slots_[i] = static_cast<int>(f);
}

std::string Layout::Canonical() const { return Text(true); }

std::string Layout::Shape() const { return Text(false); }

std::string Layout::Text(bool with_marks) const {
  std::string text;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const Field& field = fields_[i];
    text += field.name + " " + std::to_string(field.width) + " " +
            std::to_string(field.occurrences) + (with_marks && field.number ? " number" : "") +
            (i == key_index_ ? " key" : "") + "\n";
  }
  return text;
}

bool ParseLayout(std::string_view text, std::string_view source, Layout* layout,
                 std::string* error) {
  Layout result;
  int line_number = 0;
  int key_line = 0;
  auto fail = [&](int line, const std::string& what) {
    *error = std::string(source) + ":" + std::to_string(line) + ": " + what;
    return false;
  };
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    ++line_number;
    std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    Field field;
    field.name = words[0];
    if (!IsFieldName(field.name))
      return fail(line_number, "'" + field.name + "' is not a field name");
    if (result.Find(field.name)) return fail(line_number, "field " + field.name + " appears twice");
    if (words.size() < 2) return fail(line_number, "width missing");
    if (!ParseCount(words[1], 1, kMaxWidth, &field.width)) {
      return fail(line_number, "width must be a number from 1 to " + std::to_string(kMaxWidth));
    }
    size_t next = 2;
    if (next < words.size() && words[next] != "key" && words[next] != "number") {
      if (!ParseCount(words[next], 1, kMaxOccurrences, &field.occurrences)) {
        return fail(line_number,
                    "occurrences must be a number from 1 to " + std::to_string(kMaxOccurrences));
      }
      ++next;
    }
    // "number" and "key" follow in either order, each once.
    bool is_key = false;
    for (; next < words.size(); ++next) {
      bool& mark = words[next] == "key" ? is_key : field.number;
      if (mark || (words[next] != "key" && words[next] != "number")) {
        return fail(line_number, "unexpected '" + words[next] + "'");
      }
      mark = true;
    }
    if (is_key) {
      if (key_line != 0) {
        return fail(line_number,
                    "second key field (the first is on line " + std::to_string(key_line) + ")");
      }
      if (field.occurrences != 1) return fail(line_number, "the key field cannot repeat");
      key_line = line_number;
      result.key_index_ = result.fields_.size();
    }
    field.offset = result.record_width_;
    result.record_width_ += field.width * field.occurrences;
    if (result.record_width_ > kMaxRecordWidth) return fail(line_number, "record too wide");
    result.Add(std::move(field));
  }
  if (result.fields_.empty()) return fail(line_number, "no fields");
  if (key_line == 0) return fail(line_number, "no key field (mark one with 'key')");
  *layout = std::move(result);
  return true;
}

int16_t LoadLayoutFile(const std::string& host_path, std::string_view display_name, Layout* layout,
                       std::string* error) {
  errno = 0;
  std::ifstream in(host_path, std::ios::binary);
  if (!in) {
    const int system_error = errno;
    *error = std::string(display_name) + ": cannot read the layout file";
    std::string where = "layout " + std::string(display_name);
    if (host_path != display_name) where += " (" + host_path + ")";
    return WithSystemError(kMissingLayout, where, system_error);
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (ParseLayout(text.str(), display_name, layout, error)) return kNone;
  return WithCause(kMalformedLayout, *error);
}

}  // namespace kvb

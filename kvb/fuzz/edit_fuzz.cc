// Edits arbitrary numbers by arbitrary pictures and checks what every edit
// promises: the result reads back as the rounded number, editing it again
// changes nothing, and its length follows the picture.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "number_decimal.h"
#include "number_edit.h"

namespace {

bool IsDigitPosition(char c) { return c == '9' || c == 'Z' || c == 'z'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  const std::string_view number = input.substr(0, split);
  const std::string_view picture = input.substr(split + 1);
  const std::string edited = kvb::EditNumber(number, picture, "$");
  if (edited.empty()) return 0;

  if (edited.size() != picture.size()) std::abort();  // "$" is one character
  // Read-back holds for pictures of the number characters alone, with signs
  // only at the ends.
  const size_t first = picture.find_first_of("9Zz.");
  const size_t last = picture.find_last_of("9Zz.");
  if (picture.find_first_not_of("9Zz,.$-") != std::string_view::npos) return 0;
  if (picture.substr(first, last - first).find_first_of("$-") != std::string_view::npos) return 0;
  if (picture.find('.') != picture.rfind('.')) return 0;
  size_t places = 0;
  for (size_t i = picture.find('.'); i < picture.size(); ++i) places += IsDigitPosition(picture[i]);
  const std::string rounded =
      kvb::PlainText(kvb::RoundToPlaces(kvb::ReadNumber(number), static_cast<int>(places)));
  if (kvb::UneditNumber(edited) != rounded) std::abort();
  if (kvb::EditNumber(edited, picture, "$") != edited) std::abort();
  return 0;
}

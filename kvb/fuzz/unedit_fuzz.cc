// Unedits arbitrary texts: the result is always a plain number, and
// unediting or rounding it again keeps it as it is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "number_edit.h"

namespace {

bool IsPlainNumber(const std::string& text) {
  size_t at = text[0] == '-' ? 1 : 0;
  size_t digits = text.find_first_not_of("0123456789", at);
  if (digits == at) return false;
  if (digits == std::string::npos) return text.size() - at == 1 || text[at] != '0';
  return text[digits] == '.' && text.back() != '0' &&
         text.find_first_not_of("0123456789", digits + 1) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string plain = kvb::UneditNumber(text);
  if (plain.empty() || !IsPlainNumber(plain) || plain == "-0") std::abort();
  if (kvb::UneditNumber(plain) != plain) std::abort();
  if (kvb::RoundNumberText(plain, 32767) != plain) std::abort();
  return 0;
}

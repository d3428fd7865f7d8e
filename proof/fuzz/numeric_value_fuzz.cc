// The numeric value of a text: never crashes, blanks anywhere do not count,
// and a minus in front of a number negates it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "records/numeric.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double value = dext::NumericValue(text);
  std::string without_blanks;
  for (char c : text) {
    if (c != ' ') without_blanks += c;
  }
  const double same = dext::NumericValue(without_blanks);
  if (!(value == same || (std::isnan(value) && std::isnan(same)))) std::abort();
  const char first = without_blanks.empty() ? '\0' : without_blanks[0];
  if ((first >= '0' && first <= '9') || first == '.') {
    const double negated = dext::NumericValue("-" + without_blanks);
    if (value != 0 && !(negated == -value || std::isnan(value))) std::abort();
  }
  return 0;
}

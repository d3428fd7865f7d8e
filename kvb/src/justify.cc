#include "justify.h"

#include <cstddef>

namespace kvb {

std::string Justify(std::string_view text, char pad, Alignment alignment) {
  const char trim[] = {' ', pad, '\0'};
  size_t first = text.find_first_not_of(trim);
  std::string_view content;
  if (first != std::string_view::npos) {
    content = text.substr(first, text.find_last_not_of(trim) - first + 1);
  }
  const size_t spare = text.size() - content.size();
  size_t before = 0;
  if (alignment == Alignment::kCenter) before = spare / 2;
  if (alignment == Alignment::kRight) before = spare;

  std::string result(before, pad);
  result += content;
  result.append(spare - before, pad);
  return result;
}

}  // namespace kvb

// Fills arbitrary pictures with arbitrary texts, from either end, and
// justifies the texts: results keep the length of the picture or text and
// every character outside the '#' positions.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "justify.h"
#include "picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\0');
  if (split == std::string_view::npos) split = input.size() / 2;
  const std::string_view text = input.substr(0, split);
  const std::string_view picture = input.substr(std::min(split + 1, input.size()));

  for (kvb::FillFrom from : {kvb::FillFrom::kLeft, kvb::FillFrom::kRight}) {
    const std::string filled = kvb::FillPicture(text, picture, from);
    if (filled.size() != picture.size()) std::abort();
    for (size_t i = 0; i < picture.size(); ++i) {
      if (picture[i] != '#' && filled[i] != picture[i]) std::abort();
    }
  }
  const char pad = picture.empty() ? ' ' : picture[0];
  for (kvb::Alignment alignment :
       {kvb::Alignment::kLeft, kvb::Alignment::kCenter, kvb::Alignment::kRight}) {
    if (kvb::Justify(text, pad, alignment).size() != text.size()) std::abort();
  }
  kvb::DateFormatText(text);
  return 0;
}

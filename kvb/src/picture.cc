#include "picture.h"

#include <algorithm>
#include <cstddef>

namespace kvb {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

size_t RunLength(std::string_view text, size_t at) {
  size_t end = at;
  while (end < text.size() && text[end] == text[at]) ++end;
  return end - at;
}

}  // namespace

std::string FillPicture(std::string_view text, std::string_view picture, FillFrom from) {
  std::string_view content = TrimBlanks(text);
  const size_t positions = static_cast<size_t>(std::count(picture.begin(), picture.end(), '#'));
  std::string padded(positions, ' ');
  const size_t used = std::min(positions, content.size());
  if (from == FillFrom::kLeft) {
    padded.replace(0, used, content.substr(0, used));
  } else {
    padded.replace(positions - used, used, content.substr(content.size() - used));
  }

  std::string result(picture);
  size_t next = 0;
  for (char& c : result) {
    if (c == '#') c = padded[next++];
  }
  return result;
}

std::string DateFormatText(std::string_view pattern) {
  std::string result;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const size_t run = RunLength(pattern, i);
    const size_t after = i + run;
    if (c == 'C' && after < pattern.size() && pattern[after] == 'Y') {
      result += "YYYY";
      i = after + RunLength(pattern, after);
      continue;
    }
    switch (c) {
      case 'M':
        result += "MM";
        break;
      case 'D':
        result += "DD";
        break;
      case 'Y':
        result += "YY";
        break;
      case 'h':
        result += "hh";
        break;
      case 'm':
        result += "mm";
        break;
      case 's':
        result += "ss";
        break;
      default:
        result.append(run, c);
        break;
    }
    i = after;
  }
  return result;
}

}  // namespace kvb

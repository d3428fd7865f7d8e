#include "chain_block.h"

namespace kvb {
namespace {

constexpr std::string_view kHeader = "KVB chain block 1";

}  // namespace

std::string EscapeLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      default:
        line += c;
        break;
    }
  }
  return line;
}

bool UnescapeLine(std::string_view line, std::string* text) {
  text->clear();
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\') {
      *text += line[i];
      continue;
    }
    if (++i == line.size()) return false;
    switch (line[i]) {
      case '\\':
        *text += '\\';
        break;
      case 'n':
        *text += '\n';
        break;
      case 'r':
        *text += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

std::string FormatChainBlock(const ChainBlock& block) {
  std::string stored(kHeader);
  stored += '\n';
  for (const std::string& text : block) {
    stored += EscapeLine(text);
    stored += '\n';
  }
  return stored;
}

bool ParseChainBlock(std::string_view stored, ChainBlock* block) {
  size_t at = 0;
  auto next_line = [&](std::string_view* line) {
    size_t end = stored.find('\n', at);
    if (end == std::string_view::npos) return false;
    *line = stored.substr(at, end - at);
    at = end + 1;
    return true;
  };
  std::string_view line;
  if (!next_line(&line) || line != kHeader) return false;
  for (std::string& text : *block) {
    if (!next_line(&line) || !UnescapeLine(line, &text) || text.size() > kChainTextMax) {
      return false;
    }
  }
  return at == stored.size();
}

}  // namespace kvb

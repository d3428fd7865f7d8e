#include "bench/common/layout_width.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace dext::bench {

int RecordWidth(const std::string& layout_path) {
  std::ifstream in(layout_path);
  int width = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string name, field_width, occurrences;
    if (!(words >> name >> field_width)) continue;
    words >> occurrences;
    const bool counted =
        !occurrences.empty() && std::isdigit(static_cast<unsigned char>(occurrences[0]));
    width += std::stoi(field_width) * (counted ? std::stoi(occurrences) : 1);
  }
  return width;
}

}  // namespace dext::bench

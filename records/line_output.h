// One way to emit output lines, into a record file (offset != 0) or onto the
// printer (offset 0).
#ifndef DEXT_RECORDS_LINE_OUTPUT_H_
#define DEXT_RECORDS_LINE_OUTPUT_H_

#include <cstdint>
#include <string>

namespace dext {

int16_t PutLine(const std::string& text, int16_t offset, int16_t width);
int16_t EndLines(int16_t offset, int16_t count, int16_t flag);

}  // namespace dext

#endif  // DEXT_RECORDS_LINE_OUTPUT_H_

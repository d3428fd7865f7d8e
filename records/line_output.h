// One way to emit output lines, into a text record file (offset != 0) or onto
// the printer (offset 0). Keyed records are stored with StoreRecord.
#ifndef DEXT_RECORDS_LINE_OUTPUT_H_
#define DEXT_RECORDS_LINE_OUTPUT_H_

#include <cstdint>
#include <string>

#include "context/file_numbers.h"

namespace dext {

int16_t PutLine(const std::string& text, FileOffset offset, int16_t width);
int16_t EndLines(FileOffset offset, int16_t count, int16_t flag);

}  // namespace dext

#endif  // DEXT_RECORDS_LINE_OUTPUT_H_

#include "tools/kvbtool/progress.h"

#include <unistd.h>

namespace kvbtool {

void Progress::Show(uint64_t bytes_read) {
  err_ << "\rkvbtool: " << what_ << ": " << records_ << " records";
  if (total_bytes_ > 0 && bytes_read <= total_bytes_) {
    err_ << " (" << bytes_read * 100 / total_bytes_ << "%)";
  }
  err_ << std::flush;
  showing_ = true;
}

void Progress::Clear() {
  if (!showing_) return;
  err_ << "\r\x1b[K" << std::flush;  // back to the start, the line erased
  showing_ = false;
}

bool ProgressWanted() { return isatty(STDERR_FILENO) == 1; }

}  // namespace kvbtool

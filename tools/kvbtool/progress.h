// The progress of a long load or dump, on standard error while that is a
// terminal (nothing otherwise: a log or a pipe gets only the outcome).
#ifndef DEXT_TOOLS_KVBTOOL_PROGRESS_H_
#define DEXT_TOOLS_KVBTOOL_PROGRESS_H_

#include <cstdint>
#include <ostream>
#include <string>

namespace kvbtool {

class Progress {
 public:
  // what: "load", "dump". total_bytes: the input's size when known, else 0.
  Progress(std::ostream& err, bool shown, std::string what, uint64_t total_bytes = 0)
      : err_(err), shown_(shown), what_(std::move(what)), total_bytes_(total_bytes) {}
  ~Progress() { Clear(); }

  // Counts a record; every so many, rewrites the line ("kvbtool: load:
  // 131072 records (23%)").
  void Count(uint64_t bytes_read = 0) {
    if (++records_ % kEvery == 0 && shown_) Show(bytes_read);
  }
  // Takes the line away (before the outcome is printed).
  void Clear();

 private:
  static constexpr uint64_t kEvery = 1 << 16;
  void Show(uint64_t bytes_read);

  std::ostream& err_;
  bool shown_;
  std::string what_;
  uint64_t total_bytes_;
  uint64_t records_ = 0;
  bool showing_ = false;
};

// Whether progress goes to standard error: only when it is a terminal.
bool ProgressWanted();

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_PROGRESS_H_

// Text record files: one record a line.
#ifndef KVB_SRC_TEXT_FILE_H_
#define KVB_SRC_TEXT_FILE_H_

#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>

namespace kvb {

// Reads lines ended by LF or CRLF. Only the end of the file ends it: a last
// line without an end counts when it has characters, and a Ctrl-Z (26) ends
// the file when nothing but one line end (LF or CRLF) follows it. Data after
// a Ctrl-Z, a line longer than kMaxLine, or a failing read are failures, and
// every later Next repeats the failure: a damaged file never reads as a
// shorter one.
class TextReader {
 public:
  // The longest line, without its line end: far beyond any record (a few
  // thousand characters), and short enough that an endless "line" (a file
  // that is /dev/zero, a binary file) fails at once instead of filling memory.
  static constexpr size_t kMaxLine = 65536;

  ~TextReader();
  // kNone, kMissingFile or kIoError.
  int16_t Open(const std::string& host_path);
  // Next line into *line: kNone, kEndOfFile, kCtrlZInside, kLineTooLong or
  // kIoError.
  int16_t Next(std::string* line);

 private:
  // Reads the next part of the file into the buffer: 0, or kEnd at the end
  // of the file, or kFailed.
  int Refill();
  // The next byte, or kEnd at the end of the file, or kFailed.
  int Get();
  // After a Ctrl-Z: kNone when at most one line end follows it.
  int16_t CheckEndAfterCtrlZ();
  int16_t Stop(int16_t code) { return stopped_ = code; }

  static constexpr int kEnd = -1;
  static constexpr int kFailed = -2;
  int fd_ = -1;
  std::string path_;     // for the cause of a failing read
  int read_error_ = 0;   // errno of the read that failed
  int16_t stopped_ = 0;  // kEndOfFile or the failure that ended the reading
  size_t next_ = 0;      // buffer_[next_, filled_) is read but not yet taken
  size_t filled_ = 0;
  char buffer_[16384];
};

// Collects lines and replaces the file as a whole on Publish: a temporary
// file in the same folder is written, synced and renamed over the name, and
// the folder is synced. A crash at any point leaves the old file or the new
// one, never a part.
class TextWriter {
 public:
  explicit TextWriter(std::string host_path) : path_(std::move(host_path)) {}
  // Appends text to the pending line; width >= 0 cuts or pads it to width.
  void Put(std::string_view text, int width);
  // Ends the pending line (count > 1 adds count - 1 empty lines).
  void EndLine(int count);
  // Writes every ended line, and the pending one if it has characters, with
  // CRLF endings. kNone, kMissingFile (folder gone), kDiskFull or kIoError.
  int16_t Publish();

 private:
  std::string path_;
  std::string content_;
  std::string pending_;
};

}  // namespace kvb

#endif  // KVB_SRC_TEXT_FILE_H_

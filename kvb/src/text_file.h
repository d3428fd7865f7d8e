// Text record files: one record a line.
#ifndef KVB_SRC_TEXT_FILE_H_
#define KVB_SRC_TEXT_FILE_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kvb {

// Reads lines ended by LF or CRLF; a Ctrl-Z (26) ends the file, and a last
// line without an end counts when it has characters.
class TextReader {
 public:
  ~TextReader();
  // kNone, kMissingFile or kIoError.
  int16_t Open(const std::string& host_path);
  // Next line into *line: kNone, kEndOfFile or kIoError.
  int16_t Next(std::string* line);

 private:
  FILE* file_ = nullptr;
  bool ended_ = false;
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

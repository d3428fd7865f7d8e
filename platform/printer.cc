#include "platform/printer.h"

#include <cstdio>

namespace platform {

namespace {

// Writes to a stdio stream and flushes at every line end.
class StreamPrinter : public Printer {
 public:
  explicit StreamPrinter(const std::optional<std::string>& path) {
    if (path) file_ = std::fopen(path->c_str(), "ab");
    stream_ = file_ != nullptr ? file_ : stdout;
  }
  ~StreamPrinter() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  StreamPrinter(const StreamPrinter&) = delete;
  StreamPrinter& operator=(const StreamPrinter&) = delete;

  void Print(const std::string& text) override {
    std::fwrite(text.data(), 1, text.size(), stream_);
  }
  void EndLine() override {
    std::fputc('\n', stream_);
    std::fflush(stream_);
  }

 private:
  std::FILE* file_ = nullptr;
  std::FILE* stream_ = nullptr;
};

}  // namespace

std::unique_ptr<Printer> OpenPrinter(const std::optional<std::string>& path) {
  return std::make_unique<StreamPrinter>(path);
}

}  // namespace platform

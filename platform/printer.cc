#include "platform/printer.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

// Writes to a stdio stream and flushes at every line end, so nothing printed
// is lost when the program ends by unwinding.
class StreamPrinter : public Printer {
 public:
  StreamPrinter() {
    const char* path = std::getenv("DEXT_PRINTER");
    if (path != nullptr && *path != '\0') file_ = std::fopen(path, "ab");
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

Printer* installed = nullptr;

}  // namespace

Printer& CurrentPrinter() {
  static StreamPrinter default_printer;
  return installed != nullptr ? *installed : default_printer;
}

void SetPrinter(Printer* printer) { installed = printer; }

}  // namespace platform

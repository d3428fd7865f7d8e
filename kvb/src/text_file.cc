#include "text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cause.h"
#include "new_file_mode.h"
#include "status.h"

namespace kvb {
namespace {

constexpr int kCtrlZ = 26;

// The code of errno, with the system's words about what as its cause.
int16_t CodeOfErrno(const std::string& what) {
  const int error = errno;
  int16_t code = kIoError;
  if (error == ENOSPC || error == EDQUOT) code = kDiskFull;
  if (error == ENOENT || error == ENOTDIR) code = kMissingFile;
  return WithSystemError(code, what, error);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

TextReader::~TextReader() {
  if (fd_ >= 0) close(fd_);
}

int16_t TextReader::Open(const std::string& host_path) {
  struct stat st;
  if (stat(host_path.c_str(), &st) != 0) return WithSystemError(kMissingFile, host_path, errno);
  if (S_ISDIR(st.st_mode)) return WithCause(kMissingFile, host_path + ": a folder, not a file");
  fd_ = open(host_path.c_str(), O_RDONLY | O_CLOEXEC);
  path_ = host_path;
  return fd_ >= 0 ? kNone : CodeOfErrno(host_path);
}

int TextReader::Refill() {
  ssize_t n;
  do {
    n = read(fd_, buffer_, sizeof buffer_);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    read_error_ = errno;
    return kFailed;
  }
  if (n == 0) return kEnd;
  next_ = 0;
  filled_ = static_cast<size_t>(n);
  return 0;
}

int TextReader::Get() {
  if (next_ == filled_) {
    if (int status = Refill(); status != 0) return status;
  }
  return static_cast<unsigned char>(buffer_[next_++]);
}

int16_t TextReader::CheckEndAfterCtrlZ() {
  int c = Get();
  if (c == '\r') c = Get();
  if (c == '\n') c = Get();
  if (c == kFailed) return WithSystemError(kIoError, "read of " + path_, read_error_);
  return c == kEnd ? kNone : kCtrlZInside;
}

int16_t TextReader::Next(std::string* line) {
  if (stopped_ != kNone) return stopped_;
  std::string text;
  int c;  // what ended the line: '\n', Ctrl-Z, kEnd or kFailed
  for (;;) {
    if (next_ == filled_ && (c = Refill()) != 0) break;
    // Takes the buffered bytes up to a line end or Ctrl-Z at once.
    const char* begin = buffer_ + next_;
    const char* end = buffer_ + filled_;
    const char* stop = begin;
    while (stop != end && *stop != '\n' && *stop != kCtrlZ) ++stop;
    text.append(begin, stop);
    next_ += static_cast<size_t>(stop - begin);
    if (text.size() > kMaxLine + 1) return Stop(kLineTooLong);  // one more for a CR
    if (stop != end) {
      c = static_cast<unsigned char>(*stop);
      ++next_;
      break;
    }
  }
  if (c == kFailed) return Stop(WithSystemError(kIoError, "read of " + path_, read_error_));
  if (c == kCtrlZ) {
    if (int16_t code = CheckEndAfterCtrlZ(); code != kNone) return Stop(code);
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  if (text.size() > kMaxLine) return Stop(kLineTooLong);
  if (c != '\n') {
    stopped_ = kEndOfFile;
    if (text.empty()) return kEndOfFile;
  }
  *line = std::move(text);
  return kNone;
}

void TextWriter::Put(std::string_view text, int width) {
  if (width < 0) {
    pending_ += text;
    return;
  }
  std::string cell(text.substr(0, width));
  cell.resize(width, ' ');
  pending_ += cell;
}

void TextWriter::EndLine(int count) {
  content_ += pending_ + "\r\n";
  pending_.clear();
  for (int i = 1; i < count; ++i) content_ += "\r\n";
}

int16_t TextWriter::Publish() {
  std::string data = content_;
  if (!pending_.empty()) data += pending_;
  std::string temp = path_ + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return CodeOfErrno("a new file beside " + path_);
  struct stat old;
  mode_t mode = stat(path_.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode(FolderOf(path_));
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, data) && fsync(fd) == 0;
  int16_t code = ok ? kNone : CodeOfErrno(temp);
  if (close(fd) != 0 && ok) code = CodeOfErrno(temp);
  if (code == kNone && rename(temp.c_str(), path_.c_str()) != 0) code = CodeOfErrno(path_);
  if (code != kNone) {
    unlink(temp.c_str());
    return code;
  }
  int dir = open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    if (fsync(dir) != 0) code = CodeOfErrno("sync of " + FolderOf(path_));
    close(dir);
  }
  return code;
}

}  // namespace kvb

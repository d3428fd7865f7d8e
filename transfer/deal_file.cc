#include "transfer/deal_file.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "kvb.h"
#include "records/checked.h"
#include "records/library.h"
#include "context/session.h"

namespace dext {

int16_t ReadWholeRecord(FileNumber file) {
  SessionContext& session = Session();
  const size_t capacity = std::max<size_t>(session.RecordBuffer.size(), KVB_WHOLE_LINE_MAX);
  std::vector<char> buffer(capacity + 1, ' ');
  std::copy(session.RecordBuffer.begin(), session.RecordBuffer.end(), buffer.begin());
  buffer[capacity] = '\0';
  int16_t count = session.ResultWord;
  const int16_t status = Library().KVBget(buffer.data(), file.value, &count);
  session.ResultWord = count;
  if (status == 0 && count > 0) {
    const size_t length = std::min<size_t>(static_cast<size_t>(count), capacity);
    if (session.RecordBuffer.size() < length) session.RecordBuffer.resize(length, ' ');
    std::copy(buffer.begin(), buffer.begin() + static_cast<long>(length),
              session.RecordBuffer.begin());
  }
  return status;
}

void RecordWholeReadFailure(FileOffset offset, int16_t status, int16_t code,
                            const std::string& detail) {
  SessionContext& session = Session();
  ErrorRecord& error = session.ErrorInfo;
  error.FileOffset = ValueOf(offset);
  error.Status = status;
  error.Code = code;
  error.FileName = OpenedFileName(offset);
  error.ProgramName = session.ProgramName;
  error.Message = "ID  " + std::to_string(ValueOf(offset)) + ", Read Error # " + std::to_string(status) +
                  "-" + std::to_string(code) + " in " + session.ProgramName;
  error.Detail = detail;
}

std::string RecordRead() {
  const SessionContext& session = Session();
  const size_t length = session.ResultWord > 0 ? static_cast<size_t>(session.ResultWord) : 0;
  return session.RecordBuffer.substr(0, length);
}

namespace {

// True when the file ends with text already.
bool EndsWith(int fd, const std::string& text) {
  const off_t size = ::lseek(fd, 0, SEEK_END);
  if (size < static_cast<off_t>(text.size())) return false;
  std::string tail(text.size(), '\0');
  const ssize_t n = ::pread(fd, tail.data(), tail.size(), size - static_cast<off_t>(text.size()));
  return n == static_cast<ssize_t>(text.size()) && tail == text;
}

}  // namespace

bool AppendSkippedDeal(const std::string& path, const std::string& record1,
                       const std::string& record2) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string lines = record1 + "\r\n" + record2 + "\r\n";
  // A run stopped after keeping the deal but before noting it done keeps it
  // once, not twice.
  if (EndsWith(fd, lines)) return ::close(fd) == 0;
  size_t written = 0;
  while (written < lines.size()) {
    const ssize_t n = ::write(fd, lines.data() + written, lines.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    written += static_cast<size_t>(n);
  }
  const bool synced = written == lines.size() && ::fsync(fd) == 0;
  return ::close(fd) == 0 && synced;
}

std::vector<std::string> NamesInCurrentDirectory(const std::string& name) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(".", error), end; !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (::strcasecmp(entry.c_str(), name.c_str()) == 0) names.push_back(entry);
  }
  std::sort(names.begin(), names.end());
  return names;
}

int CountDeals(const std::string& name) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) return -1;
  std::ifstream in(name, std::ios::binary);
  int lines = 0;
  bool open_line = false;
  for (char c; in.get(c) && c != '\x1A';) {
    if (c == '\n') {
      ++lines;
      open_line = false;
    } else if (c != '\r') {
      open_line = true;
    }
  }
  return (lines + (open_line ? 1 : 0) + 1) / 2;
}

std::string& DealFileName() {
  static std::string name = kDealFileName;
  return name;
}

DealFileLock LockDealFile(const std::string& name) {
  static int held = -1;
  if (held >= 0) ::close(held);
  held = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (held < 0) return DealFileLock::kNotOpened;
  if (::flock(held, LOCK_EX | LOCK_NB) == 0) return DealFileLock::kTaken;
  const bool busy = errno == EWOULDBLOCK;
  ::close(held);
  held = -1;
  return busy ? DealFileLock::kHeldByAnother : DealFileLock::kNotOpened;
}

bool DeleteDealFile(const std::string& name, std::string* cause) {
  if (::unlink(name.c_str()) == 0 || errno == ENOENT) return true;
  *cause = std::strerror(errno);
  return false;
}

}  // namespace dext

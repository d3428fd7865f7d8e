#include "transfer/deal_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
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
  RecordFailure(ValueOf(offset), ", Read Error # ", status, code);
  Session().ErrorInfo.Detail = detail;
}

std::string RecordRead() {
  const SessionContext& session = Session();
  const size_t length = session.ResultWord > 0 ? static_cast<size_t>(session.ResultWord) : 0;
  return session.RecordBuffer.substr(0, length);
}

bool SkippedDealsSize(FileSystem& files, const std::string& path, uint64_t* size,
                      std::string* cause) {
  std::unique_ptr<AppendFile> file;
  int error = files.OpenForAppend(path, FileSystem::Access::kAppend, &file);
  if (error == 0) error = file->Size(size);
  if (file != nullptr) file->Close();  // nothing was written: its close changes nothing
  if (error != 0) *cause = std::strerror(error);
  return error == 0;
}

bool KeepSkippedDeal(FileSystem& files, const std::string& path, const std::string& record1,
                     const std::string& record2, uint64_t kept_at, std::string* cause) {
  std::unique_ptr<AppendFile> file;
  int error = files.OpenForAppend(path, FileSystem::Access::kAppendAndRead, &file);
  if (error != 0) {
    *cause = std::strerror(error);
    return false;
  }
  const std::string lines = record1 + "\r\n" + record2 + "\r\n";
  // A run stopped after noting the deal and keeping it finds it kept.
  std::string there;
  if (file->ReadAt(kept_at, lines.size(), &there) == 0 && there == lines) {
    error = file->Close();
  } else {
    size_t written = 0;
    while (error == 0 && written < lines.size()) {
      size_t n = 0;
      error = file->Append(std::string_view(lines).substr(written), &n);
      if (error == 0 && n == 0) error = ENOSPC;
      written += n;
    }
    if (error == 0) error = file->Sync();
    const int closed = file->Close();
    if (error == 0) error = closed;
  }
  if (error != 0) *cause = std::strerror(error);
  return error == 0;
}

}  // namespace dext

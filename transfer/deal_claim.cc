#include "transfer/deal_claim.h"

#include <strings.h>
#include <sys/random.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "transfer/deal.h"

namespace dext {
namespace {

constexpr char kClaimPrefix[] = "DEXT-";
constexpr char kClaimSuffix[] = ".RUN";
constexpr size_t kClaimDigits = 16;
constexpr char kCtrlZ = '\x1A';
constexpr size_t kChunk = 64 * 1024;

std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

std::string PathIn(const std::string& folder, const std::string& name) {
  return folder == "." ? name : folder + "/" + name;
}

bool NewClaimId(std::string* id) {
  unsigned char bytes[kClaimDigits / 2];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return false;
  id->clear();
  for (unsigned char byte : bytes) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", byte);
    *id += hex;
  }
  return true;
}

// The characters of the file's last line when it ends inside a record: no
// line end and no Ctrl-Z after it, and shorter than a whole record. -1 when
// the file ends as a complete file does.
long CutShortLastLine(FileLock& file, int* error) {
  uint64_t size = 0;
  if ((*error = file.Size(&size)) != 0 || size == 0) return -1;
  const uint64_t from = size > kChunk ? size - kChunk : 0;
  std::string tail;
  if ((*error = file.ReadAt(from, static_cast<size_t>(size - from), &tail)) != 0) return -1;
  if (tail.empty() || tail.back() == '\n' || tail.back() == kCtrlZ) return -1;
  const size_t line_start = tail.find_last_of('\n');
  if (line_start == std::string::npos && from > 0) return -1;  // a line far beyond a record
  const size_t length = tail.size() - (line_start == std::string::npos ? 0 : line_start + 1);
  return length < static_cast<size_t>(kDealRecordLength) ? static_cast<long>(length) : -1;
}

// Counts the records of the file as the library reads them: lines ended by
// LF (or CRLF), a last line without an end when it has characters, and
// nothing after a Ctrl-Z; up to the size the file has when the count starts
// (a device has none: /dev/zero would never end). *bytes is how far the
// count read.
int CountRecords(FileLock& file, long* records, uint64_t* bytes) {
  *records = 0;
  *bytes = 0;
  uint64_t size = 0;
  if (const int error = file.Size(&size); error != 0) return error;
  bool open_line = false;
  while (*bytes < size) {
    std::string chunk;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kChunk, size - *bytes));
    if (const int error = file.ReadAt(*bytes, wanted, &chunk); error != 0) return error;
    if (chunk.empty()) break;
    // The chunk up to a Ctrl-Z, line by line: a line is a record when it has
    // a character other than CR.
    const char* at = chunk.data();
    const char* ctrl_z = static_cast<const char*>(std::memchr(at, kCtrlZ, chunk.size()));
    const char* end = ctrl_z != nullptr ? ctrl_z : chunk.data() + chunk.size();
    while (at < end) {
      const char* line_end = static_cast<const char*>(std::memchr(at, '\n', end - at));
      const char* stop = line_end != nullptr ? line_end : end;
      open_line = open_line || std::find_if(at, stop, [](char c) { return c != '\r'; }) != stop;
      if (line_end == nullptr) break;
      ++*records;
      open_line = false;
      at = line_end + 1;
    }
    *bytes += chunk.size();
    if (ctrl_z != nullptr) break;  // the end: what follows it (a line end) is no record
  }
  *records += open_line ? 1 : 0;
  return 0;
}

ClaimFailure AnotherRun(const std::string& name) {
  return {"Another DEXT Is Transferring " + name + " In This Folder",
          "This run changed nothing. Wait until the other one ends, then run DEXT again if the "
          "deal file is still there.",
          true};
}

// The lock could not be asked for: the file did not open, or the disk (a
// share without locks) refuses locks.
ClaimFailure NotLocked(const std::string& name, int error) {
  if (error != ENOLCK && error != EOPNOTSUPP && error != EINVAL) {
    return {"The Deal File " + name + " Could Not Be Opened",
            "Opening it failed: " + std::string(std::strerror(error)) +
                ". Nothing was transferred and the file is kept: make it readable and run DEXT "
                "again."};
  }
  return {"The Deal File " + name + " Could Not Be Locked",
          "Locking it failed: " + std::string(std::strerror(error)) +
              ". DEXT locks the deal file so that no second run transfers it as well. Nothing "
              "was transferred: keep the work folder on a disk that supports file locks, then "
              "run DEXT again."};
}

ClaimFailure CutShort(const std::string& name, long characters) {
  return {"The Deal File " + name + " Ends Inside A Record",
          "Its last line has " + std::to_string(characters) +
              " characters and no line end: the file may be cut short or still being written. "
              "Nothing was transferred and the file is kept as it is. When it is complete, run "
              "DEXT again; a last record that is complete needs a line end after it."};
}

// Checks that the locked file ends with a whole record.
bool EndsWhole(FileLock& file, const std::string& name, ClaimFailure* failure) {
  int error = 0;
  const long characters = CutShortLastLine(file, &error);
  if (error != 0) {
    *failure = {"The Deal File " + name + " Could Not Be Read",
                "Reading it failed: " + std::string(std::strerror(error)) +
                    ". Nothing was transferred and the file is kept: make it readable and run "
                    "DEXT again."};
    return false;
  }
  if (characters < 0) return true;
  *failure = CutShort(name, characters);
  return false;
}

bool LockOrFail(FileSystem& files, const std::string& path, const std::string& name,
                std::unique_ptr<FileLock>* lock, ClaimFailure* failure) {
  const int error = files.LockFile(path, lock);
  if (error == 0) return true;
  *failure = error == EWOULDBLOCK ? AnotherRun(name) : NotLocked(name, error);
  return false;
}

// Renames the new deal file at name to a claimed name: the claim, or false.
bool Rename(FileSystem& files, const std::string& folder, const std::string& name,
            std::string* id, ClaimFailure* failure) {
  int error = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!NewClaimId(id)) {
      error = errno;
      break;
    }
    error = files.Rename(PathIn(folder, name), PathIn(folder, kClaimPrefix + *id + kClaimSuffix));
    if (error != EEXIST) break;
  }
  if (error == 0) return true;
  *failure = {"The Deal File " + name + " Could Not Be Claimed",
              "Renaming it to " + std::string(kClaimPrefix) + *id + kClaimSuffix +
                  " failed: " + std::strerror(error) +
                  ". DEXT gives the deal file a name of its own before it reads it, so that a "
                  "deal file sent again later is never mistaken for this one. Nothing was "
                  "transferred: make the work folder writable and run DEXT again."};
  return false;
}

}  // namespace

bool IsClaimedName(const std::string& name) {
  const size_t prefix = std::strlen(kClaimPrefix), suffix = std::strlen(kClaimSuffix);
  if (name.size() != prefix + kClaimDigits + suffix) return false;
  if (strncasecmp(name.c_str(), kClaimPrefix, prefix) != 0) return false;
  if (strcasecmp(name.c_str() + prefix + kClaimDigits, kClaimSuffix) != 0) return false;
  return std::all_of(name.begin() + static_cast<long>(prefix),
                     name.begin() + static_cast<long>(prefix + kClaimDigits),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

std::string ClaimOf(const std::string& claimed_name) {
  std::string id = claimed_name.substr(std::strlen(kClaimPrefix), kClaimDigits);
  std::transform(id.begin(), id.end(), id.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return id;
}

bool FindDealFile(FileSystem& files, const std::string& folder, DealFileFound* found,
                  ClaimFailure* failure, const std::string& new_name) {
  std::vector<std::string> entries;
  if (const int error = files.ListFolder(folder, &entries); error != 0) {
    // A folder that cannot be read may well hold a deal file: that is no
    // "nothing to transfer".
    *failure = {"The Work Folder Could Not Be Read",
                "Looking for " + new_name + " failed: " + std::strerror(error) +
                    ". Nothing was transferred: make the folder readable and run DEXT again."};
    return false;
  }
  std::sort(entries.begin(), entries.end());
  std::vector<std::string> claimed, new_files;
  for (const std::string& entry : entries) {
    if (IsClaimedName(entry)) claimed.push_back(entry);
    if (strcasecmp(entry.c_str(), new_name.c_str()) == 0) new_files.push_back(entry);
  }
  *found = DealFileFound{};
  if (!claimed.empty()) {
    found->kind = DealFileFound::Kind::kStopped;
    found->name = claimed.front();
    found->waiting.assign(claimed.begin() + 1, claimed.end());
    return true;
  }
  if (new_files.size() > 1) {
    *failure = {"Several Deal Files In This Folder: " + Listed(new_files),
                "Their names differ only in case, so it is not clear which to transfer. Nothing "
                "was transferred: keep the right one, remove the others and run DEXT again."};
    return false;
  }
  if (!new_files.empty()) {
    found->kind = DealFileFound::Kind::kNew;
    found->name = new_files.front();
  }
  return true;
}

bool ClaimDealFile(FileSystem& files, const std::string& folder, const DealFileFound& found,
                   std::unique_ptr<DealFileClaim>* claim, ClaimFailure* failure) {
  std::string id, name = found.name;
  if (found.kind == DealFileFound::Kind::kNew) {
    // The lock keeps a second dext that found the same DEXT.DAT out while it
    // is checked and renamed.
    std::unique_ptr<FileLock> lock;
    if (!LockOrFail(files, PathIn(folder, name), name, &lock, failure)) return false;
    if (!EndsWhole(*lock, name, failure)) return false;
    if (!Rename(files, folder, found.name, &id, failure)) return false;
    name = kClaimPrefix + id + kClaimSuffix;
  } else {
    id = ClaimOf(found.name);
  }
  // The claimed name is locked anew: the lock held from here on is on the
  // file that bears the claim.
  std::unique_ptr<FileLock> lock;
  if (!LockOrFail(files, PathIn(folder, name), name, &lock, failure)) return false;
  if (!EndsWhole(*lock, name, failure)) return false;
  *claim = std::make_unique<DealFileClaim>(id, name, found.name, std::move(lock));
  return true;
}

int CountDeals(DealFileClaim& claim) {
  long records = 0;
  uint64_t bytes = 0;
  if (CountRecords(claim.file(), &records, &bytes) != 0) return -1;
  // Bytes beyond the size: a device, or a file still being written; its
  // count is not known.
  std::string beyond;
  if (claim.file().ReadAt(bytes, 1, &beyond) != 0 || !beyond.empty()) return -1;
  return static_cast<int>((records + 1) / 2);
}

ClaimEnd FinishClaim(FileSystem& files, const std::string& folder, DealFileClaim& claim,
                     long records_read) {
  ClaimEnd end;
  long records = 0;
  uint64_t counted = 0;
  if (const int error = CountRecords(claim.file(), &records, &counted); error != 0) {
    end.why = "reading it once more before its deletion failed: " +
              std::string(std::strerror(error));
    return end;
  }
  if (records > records_read) {
    end.more_deals = static_cast<int>((records - records_read + 1) / 2);
    end.why = "deals were added to it while it was transferred";
    return end;
  }
  if (const int error = files.DeleteFile(PathIn(folder, claim.name())); error != 0) {
    end.why = "deleting it failed: " + std::string(std::strerror(error));
    return end;
  }
  end.deleted = true;
  // A writer that kept the file open may have added deals after the count:
  // they are in the deleted file still open here, and go to a claimed file
  // of their own for the next run.
  uint64_t size = 0;
  if (claim.file().Size(&size) != 0 || size <= counted) return end;
  std::string added;
  std::string id;
  if (claim.file().ReadAt(counted, static_cast<size_t>(size - counted), &added) != 0 ||
      !NewClaimId(&id)) {
    end.why = "deals added while it was deleted could not be read back";
    return end;
  }
  const std::string rescue = kClaimPrefix + id + kClaimSuffix;
  std::unique_ptr<AppendFile> file;
  size_t written = 0;
  if (files.OpenForAppend(PathIn(folder, rescue), FileSystem::Access::kAppend, &file) == 0 &&
      file->Append(added, &written) == 0 && written == added.size() && file->Sync() == 0 &&
      file->Close() == 0) {
    end.rescued_into = rescue;
    end.more_deals = static_cast<int>((std::count(added.begin(), added.end(), '\n') + 1) / 2);
  } else {
    end.why = "deals added while it was deleted could not be kept in " + rescue;
  }
  return end;
}

}  // namespace dext

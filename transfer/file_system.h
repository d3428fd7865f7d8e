// DEXT's own file work in the work folder, beside the record library: the
// names in a folder, appending to DEXT.SKP and DEXT.LOG, claiming (locking
// and renaming), reading and deleting the deal file. Every operation returns 0 or the errno value of what failed,
// so the caller words the cause (strerror) and decides what the failure
// means. The run is given its file system: the host's (PosixFiles()), or in
// tests a FaultyFileSystem (transfer/testing/faulty_file_system.h) that fails
// chosen operations.
#ifndef DEXT_TRANSFER_FILE_SYSTEM_H_
#define DEXT_TRANSFER_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dext {

// A file open for appending; closed when destroyed (a failure then is lost:
// call Close to learn of it).
class AppendFile {
 public:
  virtual ~AppendFile() = default;

  // The file's size now.
  virtual int Size(uint64_t* size) = 0;
  // Up to n bytes of the file from offset (fewer at its end). Only for a
  // file opened with Access::kAppendAndRead.
  virtual int ReadAt(uint64_t offset, size_t n, std::string* bytes) = 0;
  // One write of text at the end of the file. *written is how much of it
  // went: all of it, or less when the disk filled on the way; on failure 0.
  virtual int Append(std::string_view text, size_t* written) = 0;
  // Makes what was appended durable.
  virtual int Sync() = 0;
  // Closes the file; every other call fails afterwards.
  virtual int Close() = 0;
};

// A file open for reading and locked, held until destroyed or the process
// ends. It stays the same file whatever happens to its name.
class FileLock {
 public:
  virtual ~FileLock() = default;
  // The file's size now: grown when someone appended to it since.
  virtual int Size(uint64_t* size) = 0;
  // Up to n bytes of the file from offset (fewer at its end).
  virtual int ReadAt(uint64_t offset, size_t n, std::string* bytes) = 0;
};

class FileSystem {
 public:
  enum class Access { kAppend, kAppendAndRead };

  virtual ~FileSystem() = default;

  // The names of the entries of folder, without "." and "..", in no
  // particular order. On failure *names holds those read before it.
  virtual int ListFolder(const std::string& folder, std::vector<std::string>* names) = 0;
  // Opens path for appending, made (mode 0644 less the umask) when missing.
  virtual int OpenForAppend(const std::string& path, Access access,
                            std::unique_ptr<AppendFile>* file) = 0;
  // Removes the name path; ENOENT when there is none. The folder is synced,
  // so the removal is durable when it returns.
  virtual int DeleteFile(const std::string& path) = 0;
  // An exclusive lock on the readable file path, taken without waiting:
  // EWOULDBLOCK when another open of it (in any process) holds one; any
  // other errno when locks cannot be taken there at all.
  virtual int LockFile(const std::string& path, std::unique_ptr<FileLock>* lock) = 0;
  // Gives the file at from the name to, in the same folder, durably (the
  // folder is synced). Never replaces: EEXIST when to is taken.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
};

// The host's files, through the POSIX calls (it keeps no state).
FileSystem& PosixFiles();

// The entries of folder whose names equal name in any case (strcasecmp), in
// byte order. DEXT's one case-insensitive lookup of a file name. When the
// folder cannot be read, *error is set to the errno value (else to 0) and
// the names found before that are returned.
std::vector<std::string> NamesInAnyCase(FileSystem& files, const std::string& folder,
                                        const std::string& name, int* error);

}  // namespace dext

#endif  // DEXT_TRANSFER_FILE_SYSTEM_H_

// A FileSystem that forwards to another and fails chosen operations with a
// chosen errno, as a full or failing disk would, for tests of what DEXT does
// when its own file work fails. A failed operation does nothing (a failed
// Close still closes the file underneath).
#ifndef DEXT_TRANSFER_TESTING_FAULTY_FILE_SYSTEM_H_
#define DEXT_TRANSFER_TESTING_FAULTY_FILE_SYSTEM_H_

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "transfer/file_system.h"

namespace dext::testing {

class FaultyFileSystem : public FileSystem {
 public:
  enum class Op { kListFolder, kOpenForAppend, kAppend, kSync, kClose, kDelete, kLock, kRename };

  explicit FaultyFileSystem(FileSystem& target) : target_(target) {}

  // From now on op fails with error on path (the folder for kListFolder,
  // the file opened for kAppend to kClose), or on every path when empty.
  void Fail(Op op, int error, const std::string& path = "") { (*faults_)[{op, path}] = error; }
  // Every operation forwards again.
  void Heal() { faults_->clear(); }

  int ListFolder(const std::string& folder, std::vector<std::string>* names) override {
    if (const int error = Fault(Op::kListFolder, folder)) return error;
    return target_.ListFolder(folder, names);
  }
  int OpenForAppend(const std::string& path, Access access,
                    std::unique_ptr<AppendFile>* file) override {
    if (const int error = Fault(Op::kOpenForAppend, path)) return error;
    std::unique_ptr<AppendFile> opened;
    const int error = target_.OpenForAppend(path, access, &opened);
    if (error == 0) *file = std::make_unique<File>(faults_, path, std::move(opened));
    return error;
  }
  int DeleteFile(const std::string& path) override {
    if (const int error = Fault(Op::kDelete, path)) return error;
    return target_.DeleteFile(path);
  }
  int LockFile(const std::string& path, std::unique_ptr<FileLock>* lock) override {
    if (const int error = Fault(Op::kLock, path)) return error;
    return target_.LockFile(path, lock);
  }
  int Rename(const std::string& from, const std::string& to) override {
    if (const int error = Fault(Op::kRename, from)) return error;
    return target_.Rename(from, to);
  }

 private:
  // What fails: the errno of each operation on each path ("": any path).
  using Faults = std::map<std::pair<Op, std::string>, int>;

  static int Fault(const Faults& faults, Op op, const std::string& path) {
    for (const std::string& key : {path, std::string()}) {
      if (const auto it = faults.find({op, key}); it != faults.end()) return it->second;
    }
    return 0;
  }
  int Fault(Op op, const std::string& path) const { return Fault(*faults_, op, path); }

  // A file opened through this file system; it shares the faults, so it may
  // outlive the file system (a log kept open for the whole run).
  class File : public AppendFile {
   public:
    File(std::shared_ptr<const Faults> faults, std::string path,
         std::unique_ptr<AppendFile> target)
        : faults_(std::move(faults)), path_(std::move(path)), target_(std::move(target)) {}
    int Size(uint64_t* size) override { return target_->Size(size); }
    int ReadAt(uint64_t offset, size_t n, std::string* bytes) override {
      return target_->ReadAt(offset, n, bytes);
    }
    int Append(std::string_view text, size_t* written) override {
      *written = 0;
      if (const int error = Fault(Op::kAppend)) return error;
      return target_->Append(text, written);
    }
    int Sync() override {
      if (const int error = Fault(Op::kSync)) return error;
      return target_->Sync();
    }
    int Close() override {
      const int closed = target_->Close();
      if (const int error = Fault(Op::kClose)) return error;
      return closed;
    }

   private:
    int Fault(Op op) const { return FaultyFileSystem::Fault(*faults_, op, path_); }

    std::shared_ptr<const Faults> faults_;
    std::string path_;
    std::unique_ptr<AppendFile> target_;
  };

  FileSystem& target_;
  std::shared_ptr<Faults> faults_ = std::make_shared<Faults>();
};

}  // namespace dext::testing

#endif  // DEXT_TRANSFER_TESTING_FAULTY_FILE_SYSTEM_H_

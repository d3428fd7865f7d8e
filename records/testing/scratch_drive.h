// Drive F: of a dealership on a scratch folder, for tests on the real libkvb:
// KVB_DRIVE_F maps F: into the folder, the sample layouts lie under F:\KD\FF,
// keyed files are made under F:\DLR, and the current directory is the work
// folder beside F while the drive lives (unless told otherwise). The folder
// goes with it, unless kept.
#ifndef DEXT_RECORDS_TESTING_SCRATCH_DRIVE_H_
#define DEXT_RECORDS_TESTING_SCRATCH_DRIVE_H_

#include <filesystem>
#include <string>
#include <vector>

namespace dext::testing {

class ScratchDrive {
 public:
  // The folder is made under parent (a tmpfs such as /dev/shm keeps a fuzz
  // target fast); enter_work false leaves the current directory alone.
  explicit ScratchDrive(const std::filesystem::path& parent = "/tmp", bool enter_work = true);
  ~ScratchDrive();
  ScratchDrive(const ScratchDrive&) = delete;
  ScratchDrive& operator=(const ScratchDrive&) = delete;

  // Makes the empty keyed file F:\DLR\<name>.DAT from the layout <name>.FID
  // with kvbtool; false when kvbtool fails.
  bool MakeKeyedFile(const std::string& name) const;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path data() const { return root_ / "F" / "DLR"; }
  std::filesystem::path layouts() const { return root_ / "F" / "KD" / "FF"; }
  std::filesystem::path work() const { return root_ / "work"; }

  // Leaves the folder in place, for a look after a failed test.
  bool keep = false;

 private:
  std::filesystem::path root_;
  std::filesystem::path previous_directory_;
};

// Runs kvbtool with the words; returns its exit status (-1: it did not run).
int RunKvbtool(const std::vector<std::string>& words);

// Path of kvbtool as built with the project.
std::string KvbtoolPath();

}  // namespace dext::testing

#endif  // DEXT_RECORDS_TESTING_SCRATCH_DRIVE_H_

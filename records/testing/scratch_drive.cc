#include "records/testing/scratch_drive.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <stdexcept>

extern char** environ;

namespace dext::testing {
namespace fs = std::filesystem;

ScratchDrive::ScratchDrive(const fs::path& parent, bool enter_work) {
  std::string pattern = (parent / "dext-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a scratch folder under " + parent.string());
  }
  root_ = pattern;
  fs::create_directories(layouts());
  fs::create_directories(data());
  fs::create_directories(work());
  for (const char* name : {"KVIN.FID", "KJRVH.FID", "KJRTH.FID", "KCU.FID"}) {
    fs::copy_file(fs::path(DEXT_LAYOUTS_DIR) / name, layouts() / name);
  }
  setenv("KVB_DRIVE_F", (root_ / "F").c_str(), 1);
  previous_directory_ = fs::current_path();
  if (enter_work) fs::current_path(work());
}

ScratchDrive::~ScratchDrive() {
  std::error_code ignored;
  fs::current_path(previous_directory_, ignored);
  if (!keep) fs::remove_all(root_, ignored);
}

bool ScratchDrive::MakeKeyedFile(const std::string& name) const {
  return RunKvbtool({"create", (data() / (name + ".DAT")).string(),
                     (layouts() / (name + ".FID")).string()}) == 0;
}

std::string KvbtoolPath() { return KVBTOOL_PATH; }

int RunKvbtool(const std::vector<std::string>& words) {
  std::vector<std::string> all = {KvbtoolPath()};
  all.insert(all.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : all) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace dext::testing

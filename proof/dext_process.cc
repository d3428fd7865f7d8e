#include "proof/dext_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace dext::proof {
namespace fs = std::filesystem;
namespace {

// The current environment with the given names replaced or added.
std::vector<std::string> EnvironmentWith(const Environment& extra) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    if (extra.count(name) == 0) entries.push_back(text);
  }
  for (const auto& [name, value] : extra) entries.push_back(name + "=" + value);
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Starts a program in directory (when given) with the current environment
// and extra, standard input from /dev/null, standard output into output
// (/dev/null when empty) and standard error into error_fd (when not -1).
pid_t Spawn(std::vector<std::string> words, const Environment& extra, const fs::path& directory,
            const fs::path& output, int error_fd = -1) {
  std::vector<std::string> environment = EnvironmentWith(extra);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO,
                                   output.empty() ? "/dev/null" : output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (error_fd >= 0) posix_spawn_file_actions_adddup2(&actions, error_fd, STDERR_FILENO);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, words[0].c_str(), &actions, nullptr,
                                  Pointers(words).data(), Pointers(environment).data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + words[0]);
  return pid;
}

// Runs a program to its end with standard output into output (when given).
int RunProgram(std::vector<std::string> words, const Environment& extra, const fs::path& output) {
  int status = 0;
  waitpid(Spawn(std::move(words), extra, {}, output), &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

ScratchFolder::ScratchFolder() {
  char pattern[] = "/tmp/dext-proof-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!keep_) fs::remove_all(path_, ignored);
}

void MakeSampleDealership(const fs::path& root, int deals, int vehicles, int seed) {
  const int status = RunProgram({DEXT_SAMPLE_PATH, root.string(), "--deals", std::to_string(deals),
                                 "--vehicles", std::to_string(vehicles), "--seed",
                                 std::to_string(seed)},
                                {{"KVBTOOL", KVBTOOL_PATH}}, {});
  if (status != 0) throw std::runtime_error("dext-sample failed with " + std::to_string(status));
}

void CopyDealership(const fs::path& from, const fs::path& to) {
  std::error_code ignored;
  fs::remove_all(to, ignored);
  fs::copy(from, to, fs::copy_options::recursive);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

fs::path DealFileIn(const fs::path& work) {
  std::error_code error;
  for (fs::directory_iterator it(work, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() == 25 && name.rfind("DEXT-", 0) == 0 && name.substr(21) == ".RUN") {
      return it->path();
    }
  }
  return work / "DEXT.DAT";
}

bool DealFileKept(const fs::path& work) { return fs::exists(DealFileIn(work)); }

std::vector<std::string> DealFileRecords(const fs::path& root) {
  std::vector<std::string> records;
  std::istringstream in(ReadFile(DealFileIn(root / "work")));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    records.push_back(line);
  }
  return records;
}

std::string DealFileText(const std::vector<std::string>& records, const std::string& end) {
  std::string text;
  for (const std::string& record : records) text += record + end;
  return text;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

fs::path SecondWorkFolder(const fs::path& root) {
  const fs::path second = root / "work2";
  fs::create_directories(second);
  for (const char* name : {"DEXT.DAT", "DEX2GL.DAT"}) {
    fs::copy_file(root / "work" / name, second / name, fs::copy_options::overwrite_existing);
  }
  return second;
}

DextProcess::DextProcess(const fs::path& root, const Environment& extra,
                         const fs::path& work_folder, RunAs user, const Desk& desk) {
  Environment environment = extra;
  environment["DEXT_UI"] = "headless";
  environment["KVB_DRIVE_F"] = (root / "F").string();
  environment.emplace("DEXT_KEYS", "");  // the caller's keys, never a script dext inherits
  const fs::path work = work_folder.empty() ? root / "work" : work_folder;
  char pattern[] = "/tmp/dext-proof-stderr-XXXXXX";
  const int fd = mkostemp(pattern, O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot make a temporary file");
  error_file_ = pattern;

  output_file_ = error_file_.string() + ".out";
  std::vector<std::string> words = {DEXT_PATH};
  if (user == RunAs::kNobody) {
    words.insert(words.begin(), {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
                                 "--clear-groups"});
  } else if (user != RunAs::kSelf) {
    const std::string clerk = user == RunAs::kFirstClerk ? "61001" : "61002";
    words.insert(words.begin(), {"/usr/bin/setpriv", "--reuid=" + clerk, "--regid=" + clerk,
                                 "--groups=" + std::to_string(kDealershipGroup)});
  }
  if (!desk.host.empty()) {
    const std::string seen_as = desk.seen_as.string();
    words.insert(words.begin(),
                 {"/usr/bin/unshare", "--uts", "--mount", "/bin/sh", "-c",
                  "hostname '" + desk.host + "' && mkdir -p '" + seen_as + "' && mount --bind . '" +
                      seen_as + "' && cd '" + seen_as + "' && exec \"$0\" \"$@\""});
  }
  pid_ = Spawn(words, environment, work, output_file_, fd);
  close(fd);
}

DextProcess::~DextProcess() {
  if (pid_ > 0) Wait();
  std::error_code ignored;
  fs::remove(error_file_, ignored);
  fs::remove(output_file_, ignored);
}

ProcessEnd DextProcess::Wait() { return WaitAtMost(-1); }

ProcessEnd DextProcess::WaitAtMost(int seconds) {  // seconds < 0: no limit
  ProcessEnd end;
  int status = 0;
  pid_t ended = -1;
  for (int tick = 0;
       pid_ > 0 && (ended = waitpid(pid_, &status, seconds < 0 ? 0 : WNOHANG)) == 0; ++tick) {
    if (tick == seconds * 100) kill(pid_, SIGKILL);
    usleep(10000);
  }
  if (ended == pid_ && WIFEXITED(status)) end.exit_status = WEXITSTATUS(status);
  if (ended == pid_ && WIFSIGNALED(status)) end.signal = WTERMSIG(status);
  pid_ = -1;
  end.error_output = ReadFile(error_file_);
  end.output = ReadFile(output_file_);
  return end;
}

std::string DextProcess::ErrorOutputSoFar() const { return ReadFile(error_file_); }

void DextProcess::Interrupt() const {
  if (pid_ > 0) kill(pid_, SIGINT);
}

Desk OtherDesk(const fs::path& root) {
  return {"frontdesk-workstation-2", root / "mounted-elsewhere"};
}

ProcessEnd RunDext(const fs::path& root, const Environment& extra, const fs::path& work_folder,
                   RunAs user, const Desk& desk) {
  return DextProcess(root, extra, work_folder, user, desk).Wait();
}

HeldVehicleLock::HeldVehicleLock(const fs::path& root, const std::string& stock_number) {
  const fs::path said = root / "lock.out";
  const std::string command = std::string(KVBTOOL_PATH) + " lock '" +
                              (root / "F" / "DLR" / "KVIN.DAT").string() + "' '" + stock_number +
                              "' > '" + said.string() + "'";
  input_ = popen(command.c_str(), "we");  // not inherited by dext
  if (input_ == nullptr) throw std::runtime_error("cannot start kvbtool lock");
  for (int tries = 0; tries < 500; ++tries) {
    if (ReadFile(said).find("locked") != std::string::npos) return;
    usleep(10000);
  }
  throw std::runtime_error("kvbtool lock did not take the lock on " + stock_number);
}

HeldVehicleLock::~HeldVehicleLock() { pclose(input_); }

std::string DumpTarget(const fs::path& root, const std::string& name) {
  ScratchFolder folder;
  const fs::path output = folder.path() / "dump.csv";
  const int status = RunProgram({KVBTOOL_PATH, "dump", (root / "F" / "DLR" / name).string()}, {},
                                output);
  if (status != 0) return "kvbtool dump failed with " + std::to_string(status);
  return ReadFile(output);
}

std::string DextPath() { return DEXT_PATH; }

int RunKvbtool(const std::vector<std::string>& words) {
  std::vector<std::string> command = {KVBTOOL_PATH};
  command.insert(command.end(), words.begin(), words.end());
  return RunProgram(command, {}, {});
}

bool LoadTarget(const fs::path& root, const std::string& name, const std::string& csv) {
  ScratchFolder folder;
  const fs::path input = folder.path() / "load.csv";
  std::ofstream(input, std::ios::binary) << csv;
  return RunProgram({KVBTOOL_PATH, "load", (root / "F" / "DLR" / name).string(), input.string()},
                    {}, {}) == 0;
}

std::map<std::string, std::string> DumpTargets(const fs::path& root) {
  std::map<std::string, std::string> dumps;
  for (const std::string& name : kTargetFiles) dumps[name] = DumpTarget(root, name);
  return dumps;
}

namespace {

// The target files' store, opened to read; nullptr when it cannot be.
sqlite3* OpenStoreToRead(const fs::path& root) {
  sqlite3* db = nullptr;
  const fs::path path = root / "F" / "DLR" / "KVBSTORE.DB";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_busy_timeout(db, 5000) == SQLITE_OK) {
    return db;
  }
  sqlite3_close(db);
  return nullptr;
}

// Appends "key=data" and a line end for each record of the file, ordered by
// key; false when the file cannot be read.
bool AppendRecords(sqlite3* db, const std::string& name, std::string* text) {
  sqlite3_stmt* rows = nullptr;
  const std::string sql = "SELECT key, data FROM \"" + name + "\" ORDER BY key";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &rows, nullptr) != SQLITE_OK) return false;
  int rc;
  while ((rc = sqlite3_step(rows)) == SQLITE_ROW) {
    text->append(static_cast<const char*>(sqlite3_column_blob(rows, 0)),
                 static_cast<size_t>(sqlite3_column_bytes(rows, 0)));
    *text += "=";
    text->append(static_cast<const char*>(sqlite3_column_blob(rows, 1)),
                 static_cast<size_t>(sqlite3_column_bytes(rows, 1)));
    *text += "\n";
  }
  sqlite3_finalize(rows);
  return rc == SQLITE_DONE;
}

// Lines of a dump that are not in the other dump (for readable failures).
std::string DumpDifference(const std::string& expected, const std::string& actual) {
  auto lines = [](const std::string& text) {
    std::set<std::string> set;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) set.insert(line);
    return set;
  };
  const std::set<std::string> want = lines(expected), have = lines(actual);
  std::string difference;
  for (const std::string& line : want) {
    if (have.count(line) == 0) difference += "- " + line + "\n";
  }
  for (const std::string& line : have) {
    if (want.count(line) == 0) difference += "+ " + line + "\n";
  }
  return difference;
}

}  // namespace

std::string SnapshotTargets(const fs::path& root) {
  sqlite3* db = OpenStoreToRead(root);
  std::string snapshot;
  if (db != nullptr && sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK) {
    for (const std::string& name : kTargetFiles) {
      snapshot += name + "\n";
      if (!AppendRecords(db, name, &snapshot)) {
        snapshot.clear();
        break;
      }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  sqlite3_close(db);
  return snapshot;
}

std::string StoredRecords(const fs::path& root, const std::string& name) {
  sqlite3* db = OpenStoreToRead(root);
  std::string records;
  const bool read = db != nullptr && AppendRecords(db, name, &records);
  sqlite3_close(db);
  return read ? records : name + ": cannot be read";
}

std::string CheckIntegrity(const fs::path& root) {
  sqlite3* db = OpenStoreToRead(root);
  if (db == nullptr) return "KVBSTORE.DB: cannot open";
  sqlite3_stmt* check = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
  std::string answer;
  while (check != nullptr && sqlite3_step(check) == SQLITE_ROW) {
    answer += reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
  }
  sqlite3_finalize(check);
  sqlite3_close(db);
  if (answer == "ok") return "ok";
  return "KVBSTORE.DB: " + (answer.empty() ? std::string("no answer") : answer);
}

std::string TargetDifferences(const std::map<std::string, std::string>& reference,
                              const fs::path& root) {
  std::string differences;
  for (const auto& [name, dump] : DumpTargets(root)) {
    if (dump != reference.at(name)) {
      differences += name + " differs:\n" + DumpDifference(reference.at(name), dump);
    }
  }
  return differences;
}

}  // namespace dext::proof

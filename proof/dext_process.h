// Runs the real programs (dext, kvbtool, dext-sample) as separate processes on
// a sample dealership in a temporary folder, for the crash, fault and
// contention proofs. A dealership folder holds F/ (drive F:, layouts under
// F/KD/FF, record files under F/DLR) and work/ (DEXT.DAT and DEX2GL.DAT).
#ifndef DEXT_PROOF_DEXT_PROCESS_H_
#define DEXT_PROOF_DEXT_PROCESS_H_

#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace dext::proof {

using Environment = std::map<std::string, std::string>;

// The three target files, as the sample dealership names them.
inline const std::vector<std::string> kTargetFiles = {"KJRVH.DAT", "KCU.DAT", "KVIN.DAT"};

// A folder under /tmp that is removed with its contents on destruction,
// unless Keep() was called (a failing test keeps its evidence).
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  void Keep() { keep_ = true; }

 private:
  std::filesystem::path path_;
  bool keep_ = false;
};

// Builds a sample dealership with dext-sample into root; throws on failure.
void MakeSampleDealership(const std::filesystem::path& root, int deals, int vehicles, int seed);

// Replaces to's contents by a copy of from (record files, WAL files and all).
void CopyDealership(const std::filesystem::path& from, const std::filesystem::path& to);

// A file's bytes (empty when it cannot be read), and a file written anew.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

// The deal file in a work folder: the file a run claimed (DEXT-<claim>.RUN)
// when there is one, else DEXT.DAT; and whether either is there.
std::filesystem::path DealFileIn(const std::filesystem::path& work);
bool DealFileKept(const std::filesystem::path& work);

// The records of root/work's deal file without their line ends, and records
// joined into a deal file, each ended by end.
std::vector<std::string> DealFileRecords(const std::filesystem::path& root);
std::string DealFileText(const std::vector<std::string>& records, const std::string& end = "\r\n");

// How often part occurs in text.
size_t Count(const std::string& text, const std::string& part);

// A second work folder root/work2 with copies of root/work's DEXT.DAT and
// DEX2GL.DAT: another workstation selling the same vehicles.
std::filesystem::path SecondWorkFolder(const std::filesystem::path& root);

struct ProcessEnd {
  int exit_status = -1;  // when it exited
  int signal = 0;        // when a signal ended it
  std::string error_output;
  std::string output;  // standard output: the run's summary line
  bool Exited(int status) const { return signal == 0 && exit_status == status; }
};

// Who a dext process runs as: the tests' own user (root in CI); the
// unprivileged user nobody, for whom file permissions hold; or one of two
// clerks of a dealership, desks that run as users of their own (uids 61001
// and 61002, each with a primary group of its own) and share the
// dealership's group kDealershipGroup.
enum class RunAs { kSelf, kNobody, kFirstClerk, kSecondClerk };
inline constexpr int kDealershipGroup = 61000;

// Which workstation a dext process runs on: this one (no host name), or
// another desk of the dealership with a host name of its own that sees the
// work folder at the path seen_as (a bind mount of it), as a desk that has
// the folder mounted elsewhere does. Needs root (a UTS and a mount namespace
// of the process's own).
struct Desk {
  std::string host;
  std::filesystem::path seen_as;
};
inline const Desk kThisDesk{};
// A second desk whose host name shares its first 15 characters with
// another's ("frontdesk-workstation-2"), seeing the work folder at
// root/mounted-elsewhere.
Desk OtherDesk(const std::filesystem::path& root);

// A dext process started headless in root/work (or work_folder) with drive F:
// mapped to root/F, plus the extra environment (DEXT_KEYS in it types keys;
// without it none are typed).
class DextProcess {
 public:
  DextProcess(const std::filesystem::path& root, const Environment& extra,
              const std::filesystem::path& work_folder = {}, RunAs user = RunAs::kSelf,
              const Desk& desk = kThisDesk);
  ~DextProcess();
  DextProcess(const DextProcess&) = delete;
  DextProcess& operator=(const DextProcess&) = delete;
  ProcessEnd Wait();
  // Waits at most seconds; a process still running then is killed (and its
  // end says SIGKILL).
  ProcessEnd WaitAtMost(int seconds);
  // What it has written to standard error so far.
  std::string ErrorOutputSoFar() const;
  // Sends it SIGINT, as Ctrl-C at its terminal does.
  void Interrupt() const;

 private:
  pid_t pid_ = -1;
  std::filesystem::path error_file_;
  std::filesystem::path output_file_;
};

// Starts dext and waits for it.
ProcessEnd RunDext(const std::filesystem::path& root, const Environment& extra = {},
                   const std::filesystem::path& work_folder = {}, RunAs user = RunAs::kSelf,
                   const Desk& desk = kThisDesk);

// Holds a record lock with kvbtool lock on a key of root/F/DLR/KVIN.DAT, as
// another workstation would, until destroyed.
class HeldVehicleLock {
 public:
  HeldVehicleLock(const std::filesystem::path& root, const std::string& stock_number);
  ~HeldVehicleLock();
  HeldVehicleLock(const HeldVehicleLock&) = delete;
  HeldVehicleLock& operator=(const HeldVehicleLock&) = delete;

 private:
  FILE* input_ = nullptr;
};

// kvbtool dump of root/F/DLR/name: every record as CSV, ordered by key.
std::string DumpTarget(const std::filesystem::path& root, const std::string& name);

// The dext executable under test.
std::string DextPath();

// Runs kvbtool with the words (standard output discarded); its exit status.
int RunKvbtool(const std::vector<std::string>& words);

// Replaces every record of root/F/DLR/name by a kvbtool dump's CSV (as
// DumpTarget gives it); false when kvbtool fails.
bool LoadTarget(const std::filesystem::path& root, const std::string& name,
                const std::string& csv);

// The records of the three target files as one reader sees them at one
// moment (one read transaction on root/F/DLR/KVBSTORE.DB); empty when the
// store cannot be read.
std::string SnapshotTargets(const std::filesystem::path& root);

// Every record of root/F/DLR/name exactly as stored, blanks and all, a line
// "key=data" each, ordered by key (kvbtool dump trims each field's trailing
// blanks); a line saying so when the file cannot be read.
std::string StoredRecords(const std::filesystem::path& root, const std::string& name);

// Dumps of the three target files by name.
std::map<std::string, std::string> DumpTargets(const std::filesystem::path& root);

// SQLite's integrity check of the store of the target files: "ok" or what
// it found.
std::string CheckIntegrity(const std::filesystem::path& root);

// For each target file under root whose dump is not the reference's: its
// name, " differs:" and the lines only one of them has. Empty when all match.
std::string TargetDifferences(const std::map<std::string, std::string>& reference,
                              const std::filesystem::path& root);

}  // namespace dext::proof

#endif  // DEXT_PROOF_DEXT_PROCESS_H_

// The deal file a run transfers, claimed before its first read.
//
// The finance desk leaves its deals in DEXT.DAT. A run locks that file and
// renames it to a name of its own, DEXT-<claim>.RUN, where <claim> is 16
// random hexadecimal digits, before it reads a record. From then on the file
// is the run's: its progress is kept under the claim (not under a
// workstation, a path or the file's times), a DEXT.DAT that arrives
// meanwhile is a new file left for the next run, and what is deleted after
// the last deal is the file that was read, unless it grew meanwhile.
//
// A run that stops leaves the claimed file in the work folder. The next run,
// from any workstation and through any path to the folder, continues it
// before it takes a new DEXT.DAT.
#ifndef DEXT_TRANSFER_DEAL_CLAIM_H_
#define DEXT_TRANSFER_DEAL_CLAIM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "transfer/file_system.h"

namespace dext {

inline constexpr char kDealFileName[] = "DEXT.DAT";

// What the work folder holds to transfer.
struct DealFileFound {
  enum class Kind { kNone, kNew, kStopped };
  Kind kind = Kind::kNone;
  std::string name;  // the file to transfer, as the folder names it
  // Further claimed files of stopped runs, continued by later runs.
  std::vector<std::string> waiting;
};

// Why the work folder cannot be transferred from now: the error box's
// message and the lines under it.
struct ClaimFailure {
  std::string message;
  std::string detail;
  bool another_run = false;  // another dext holds the deal file
};

// Looks in folder for a claimed file of a stopped run (the first by name),
// else for the new deal file new_name (DEXT.DAT; DEXT.SKP when the skipped
// deals are sent again) in any case. Several new deal files differing only
// in case, or a folder that cannot be read, fail.
bool FindDealFile(FileSystem& files, const std::string& folder, DealFileFound* found,
                  ClaimFailure* failure, const std::string& new_name = kDealFileName);

// True when name is a claimed deal file's ("DEXT-0123456789abcdef.RUN", in
// any case).
bool IsClaimedName(const std::string& name);

// The claim of a claimed file's name, in lower case.
std::string ClaimOf(const std::string& claimed_name);

class DealFileClaim {
 public:
  DealFileClaim(std::string id, std::string name, std::string original,
                std::unique_ptr<FileLock> lock)
      : id_(std::move(id)),
        name_(std::move(name)),
        original_(std::move(original)),
        lock_(std::move(lock)) {}

  // The claim: 16 hexadecimal digits, the key of the run's progress.
  const std::string& id() const { return id_; }
  // The claimed file's name in the work folder (relative to it).
  const std::string& name() const { return name_; }
  // The name it had when this run claimed it; its own name when continued.
  const std::string& original() const { return original_; }
  // The claimed file, open and locked while the run lasts.
  FileLock& file() { return *lock_; }

 private:
  std::string id_;
  std::string name_;
  std::string original_;
  std::unique_ptr<FileLock> lock_;
};

// Claims what FindDealFile found in folder: a new DEXT.DAT is locked, checked
// to end with a whole record and renamed to a claimed name; a claimed file
// of a stopped run is locked and checked. False with *failure when another
// dext holds it, when it cannot be locked or renamed, or when it ends inside
// its last record (a copy cut short, a file still being written): then a new
// DEXT.DAT keeps its name.
bool ClaimDealFile(FileSystem& files, const std::string& folder, const DealFileFound& found,
                   std::unique_ptr<DealFileClaim>* claim, ClaimFailure* failure);

// The number of deals (record pairs) in the claimed file as the library
// reads it, for the user's information; -1 when it cannot be read.
int CountDeals(DealFileClaim& claim);

// How the claimed file ended up after its last deal.
struct ClaimEnd {
  bool deleted = false;
  std::string why;  // when not deleted: what went wrong, in words
  // Deals appended after the last one read (counted from their records), or
  // rescued into the claimed file named here when they came in while it was
  // being deleted.
  int more_deals = 0;
  std::string rescued_into;
};

// After the last deal was read (records_read records): deletes the claimed
// file, unless records were appended to it meanwhile; those stay for the
// next run.
ClaimEnd FinishClaim(FileSystem& files, const std::string& folder, DealFileClaim& claim,
                     long records_read);

}  // namespace dext

#endif  // DEXT_TRANSFER_DEAL_CLAIM_H_

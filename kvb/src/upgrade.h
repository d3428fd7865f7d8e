// Moving the keyed files of a folder from the one-database-per-file form of
// earlier versions (each .DAT its own SQLite database) into the folder's
// store.
#ifndef KVB_SRC_UPGRADE_H_
#define KVB_SRC_UPGRADE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace kvb {

struct UpgradeReport {
  std::vector<std::string> moved;    // file names moved into the store
  std::vector<std::string> skipped;  // SQLite databases that are no keyed files
  std::string failed;                // the file the failure is about, if any
};

// Moves every keyed file of folder still in the old form into the folder's
// store (made when missing), in name order: its layout and records, then
// the .DAT replaced by a stub. A crash at any point leaves each file old (the
// .DAT still the database, opened by nobody) or new; a rerun moves the rest.
// No program may use the folder's files meanwhile. Stops at the first
// failure: kNone or its code, with report->failed.
int16_t UpgradeFolder(const std::string& folder, UpgradeReport* report);

}  // namespace kvb

#endif  // KVB_SRC_UPGRADE_H_

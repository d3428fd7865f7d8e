// kvbtool upgrade on a folder of a drive whose keyed files are on a record
// server (KVB_STORE_X): there the files of earlier versions (each .DAT its
// own SQLite database) go onto the server instead of into the folder's
// KVBSTORE.DB.
#ifndef KVB_SRC_UPGRADE_TO_SERVER_H_
#define KVB_SRC_UPGRADE_TO_SERVER_H_

#include <cstdint>
#include <string>

#include "upgrade.h"

namespace kvb {

// True when the keyed files of folder are on a record server.
bool FolderOnServer(const std::string& folder);

// Copies every keyed file of folder still in the old form onto the server,
// in name order: the file is made there with its layout and filled in one
// transaction; a failure removes it there again. A file the server holds
// already is skipped (report->skipped). The old .DAT stays in the folder,
// where the server's file now answers for its name: remove it once the
// files on the server are checked. Stops at the first failure: kNone or its
// code, with report->failed.
int16_t UpgradeFolderToServer(const std::string& folder, UpgradeReport* report);

}  // namespace kvb

#endif  // KVB_SRC_UPGRADE_TO_SERVER_H_

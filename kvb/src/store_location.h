// Which store a keyed file lives in. A drive X whose environment has
// KVB_STORE_X (a libpq connection string or URI) beside KVB_DRIVE_X keeps its
// keyed record files on that PostgreSQL server; every other keyed file lives
// in the SQLite store of its folder. Text files always stay in the folders.
#ifndef KVB_SRC_STORE_LOCATION_H_
#define KVB_SRC_STORE_LOCATION_H_

#include <string>

namespace kvb {

struct ServerFile {
  std::string conninfo;  // the drive's KVB_STORE_X
  // The file's name on the server: its path relative to the drive's folder,
  // upper-cased, with '\' between components ("DLR\KVIN.DAT").
  std::string name;
};

// True with *file filled when host_path (absolute, or relative to the
// current directory) lies inside the folder of a drive with a KVB_STORE_X.
// Of nested drive folders the innermost decides; of drives mapped to the
// same folder, the one the name gave (named_drive, as path.h's DriveOf
// gives it), else the first letter.
bool OnServer(const std::string& host_path, char named_drive, ServerFile* file);

}  // namespace kvb

#endif  // KVB_SRC_STORE_LOCATION_H_

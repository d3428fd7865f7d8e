// The permissions of the files the library makes (a store, a stub, a record
// lock file, a text file written anew). A dealership's desks run as different
// users of one group that shares the folder: a file one of them made with
// its own umask (group read-only) would stop every other desk. So a file
// made in a folder its group may write gets read and write for the group as
// well, whatever the maker's umask; elsewhere it gets what open(O_CREAT,
// 0666) gives under the umask.
#ifndef KVB_SRC_NEW_FILE_MODE_H_
#define KVB_SRC_NEW_FILE_MODE_H_

#include <sys/types.h>

#include <string>

namespace kvb {

mode_t NewFileMode(const std::string& folder);

}  // namespace kvb

#endif  // KVB_SRC_NEW_FILE_MODE_H_

// The SQLite file layer of the folder stores: the system's own ("unix"),
// except that the write-ahead log's index (the -shm file beside the store,
// which SQLite maps into memory) is allocated on disk before it is mapped.
//
// SQLite extends that file by writing one byte at the end of each memory
// page. On a filesystem whose blocks are smaller than a page (a small ext4
// has 1 KiB blocks) the rest of the page stays a hole, and when the disk is
// full the first store into it through the mapping finds no block: the
// process dies by SIGBUS. With the region allocated beforehand, a full disk
// fails the call with SQLITE_FULL instead.
#ifndef KVB_SRC_SQLITE_VFS_H_
#define KVB_SRC_SQLITE_VFS_H_

namespace kvb {

// The name to open folder stores with (sqlite3_open_v2's zVfs); registered
// on the first call. nullptr (the default layer) when it cannot be.
const char* StoreVfsName();

}  // namespace kvb

#endif  // KVB_SRC_SQLITE_VFS_H_

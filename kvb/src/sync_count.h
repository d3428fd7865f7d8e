// Counting the syncs SQLite asks of the file system, for the tests and the
// benchmark: CountSyncs installs, as SQLite's default, a layer over the
// default file system that passes every call on and counts the syncs.
// Databases opened before the install are not counted.
#ifndef KVB_SRC_SYNC_COUNT_H_
#define KVB_SRC_SYNC_COUNT_H_

namespace kvb {

// Installs the counting layer (once; later calls do nothing). False when
// SQLite refuses it.
bool CountSyncs();

// Syncs of files (a database, its log) since the install.
long SyncsSoFar();

}  // namespace kvb

#endif  // KVB_SRC_SYNC_COUNT_H_

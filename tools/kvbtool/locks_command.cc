#include "tools/kvbtool/locks_command.h"

#include <string>
#include <string_view>

#include "lock_listing.h"
#include "path.h"
#include "status.h"
#include "tools/kvbtool/command_words.h"
#include "tools/kvbtool/failure.h"

namespace kvbtool {
namespace {

constexpr char kLocksUsage[] =
    "usage: kvbtool locks FILE.DAT\n"
    "Lists the record locks held on a keyed record file. On a record server: each\n"
    "locked key with the session holding it: its name (PROGRAM@DESK:FOLDER, the\n"
    "desk from KVB_DESK or the host name), the server process, the desk's address\n"
    "and when it connected and was last active. In a folder: the locked keys, and\n"
    "the processes that have the file's lock file open (the system does not say\n"
    "which of them holds which lock).\n";

void PrintServerLocks(const kvb::LockListing& listing, std::ostream& out) {
  out << "record locks of " << listing.where << ":\n";
  for (const kvb::HeldLock& lock : listing.locks) {
    out << "  " << lock.key << "  held by " << lock.holder << " (server process " << lock.pid
        << ", from " << lock.client << ", connected " << lock.connected << ", last active "
        << lock.last_active << ")\n";
  }
  if (listing.locks.empty()) out << "  none\n";
  if (listing.other_locks > 0) {
    out << listing.other_locks
        << " other record locks are held in the database (on keys without a record, or of "
           "other files)\n";
  }
}

void PrintFolderLocks(const kvb::LockListing& listing, std::ostream& out) {
  out << "record locks in " << listing.where << ":\n";
  for (const kvb::HeldLock& lock : listing.locks) out << "  " << lock.key << "\n";
  if (listing.locks.empty()) out << "  none\n";
  if (listing.users.empty()) return;
  out << "processes with the lock file open (the system does not say which holds which "
         "lock):\n";
  for (const kvb::LockFileUser& user : listing.users) {
    out << "  pid " << user.pid << "  " << user.program << "  in " << user.folder << "\n";
  }
}

}  // namespace

int RunLocks(int argc, char** argv, Streams io) {
  CommandWords words;
  if (auto done = ReadCommand({kLocksUsage, {}, 1, 1}, &argc, &argv, io.out, io.err, &words)) {
    return *done;
  }
  std::string host;
  kvb::StoreCache stores;
  kvb::LockListing listing;
  int16_t code = kvb::ResolvePath(argv[1], &host);
  if (code == kvb::kNone) code = kvb::ListRecordLocks(stores, host, &listing, kvb::DriveOf(argv[1]));
  if (code != kvb::kNone) return FailedCode(io, argv[1], code);
  if (listing.on_server) {
    PrintServerLocks(listing, io.out);
  } else {
    PrintFolderLocks(listing, io.out);
  }
  return 0;
}

}  // namespace kvbtool

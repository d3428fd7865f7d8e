// Transactions across the keyed files of one store: KVBbegin, KVBcommit,
// KVBrollback, and the writes inside them.
//
// A transaction belongs to a file-number base and takes in the reads and
// writes of keyed files numbered base .. base + 255. It starts the store's
// transaction at its first read or write (so a transaction that touches no
// record touches no store), and from then on every write of it must go to
// that store: the files of one folder share one store, so one commit stores
// them all.
#include "kvb.h"
#include "open_files.h"
#include "status.h"

using namespace kvb;

namespace kvb {
namespace {

// Starts the store's transaction for the base's transaction, on the store
// of file: kNone, or why it could not start.
int16_t StartInStore(Transaction& open, KeyedFile& file) {
  if (file.store().in_transaction()) return kStoreInTransaction;
  if (int16_t code = file.store().Begin(); code != kNone) {
    // A store that cannot start the transaction failed the call; a busy one
    // only made it wait in vain, and the call may be tried again.
    if (code != kBusy) open.undone = true;
    return code;
  }
  open.store = file.shared_store();
  return kNone;
}

// A store ends its transaction itself when a failure there undid it (a
// server refuses every later command of a transaction that failed): the
// base's transaction is then undone, so that no later write of it is
// committed on its own.
bool NotedUndone(Transaction& open) {
  if (open.undone) return true;
  if (open.store && !open.store->in_transaction()) {
    open.store.reset();
    open.undone = true;
  }
  return open.undone;
}

// Runs change (a write or delete of file) as its own commit or inside the
// open transaction of its base. A change that fails in the store undoes the
// transaction; `harmless` is a failure that changed nothing (no record to
// delete).
template <typename Change>
int16_t ChangeKeyed(Library& library, int16_t number, KeyedFile& file, Change change,
                    int16_t harmless) {
  auto transaction = TransactionOf(library, number);
  if (transaction == library.transactions.end()) {
    // Outside a transaction: its own commit, unless the shared store is in
    // the middle of another base's transaction, which would take it in.
    return file.store().in_transaction() ? kStoreInTransaction : change();
  }
  Transaction& open = transaction->second;
  if (NotedUndone(open)) return kTransactionUndone;
  if (!open.store) {
    if (int16_t code = StartInStore(open, file); code != kNone) return code;
  } else if (open.store != file.shared_store()) {
    return kSecondStore;
  }
  int16_t code = change();
  if (code != kNone && code != harmless) {
    // A failed write may have undone the whole transaction in the store
    // already; undo it in every case, so that a commit never stores a part.
    open.store->Rollback();
    open.store.reset();
    open.undone = true;
  }
  return code;
}

}  // namespace

int16_t WriteKeyed(Library& library, int16_t number, KeyedFile& file) {
  if (int16_t code = file.CheckWrite(); code != kNone) return code;
  return ChangeKeyed(library, number, file, [&] { return file.Write(); }, kNone);
}

int16_t DeleteKeyed(Library& library, int16_t number, KeyedFile& file) {
  return ChangeKeyed(library, number, file, [&] { return file.Delete(); }, kNoRecord);
}

int16_t ReadKeyed(Library& library, int16_t number, KeyedFile& file) {
  auto transaction = TransactionOf(library, number);
  if (transaction == library.transactions.end()) return file.Read();
  Transaction& open = transaction->second;
  // A file of another store than the transaction's, or a read after the
  // transaction was undone, is read as any file.
  if (!NotedUndone(open) && !open.store && !file.store().in_transaction()) {
    if (int16_t code = StartInStore(open, file); code != kNone) return code;
  }
  const int16_t code = file.Read();
  NotedUndone(open);
  return code;
}

int16_t PrefetchKeyed(Library& library, int16_t number, KeyedFile& file, std::string_view key) {
  auto transaction = TransactionOf(library, number);
  bool named = false;
  if (transaction == library.transactions.end()) return file.Prefetch(key, false, &named);
  Transaction& open = transaction->second;
  const bool ours = !NotedUndone(open) && (!open.store || open.store == file.shared_store());
  if (int16_t code = file.Prefetch(key, ours, &named); code != kNone || !named) return code;
  // A record fetched ahead is read inside the transaction: it starts here,
  // as at the first read.
  if (!open.store && !file.store().in_transaction()) return StartInStore(open, file);
  return kNone;
}

}  // namespace kvb

namespace {

// Runs body on the open transaction of base with the library locked.
template <typename Body>
int16_t WithTransaction(int16_t base, Body body) {
  if (base <= 0) return Fail(kBadFileNumber);
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  auto transaction = library.transactions.find(base);
  if (transaction == library.transactions.end()) return Fail(kNoTransaction);
  int16_t code = body(transaction->second);
  library.transactions.erase(transaction);
  return code == kNone ? 0 : Fail(code);
}

}  // namespace

extern "C" {

int16_t KVBbegin(int16_t base) {
  if (base <= 0) return Fail(kBadFileNumber);
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  // One transaction for any file number: the bases' ranges may not overlap.
  auto above = library.transactions.lower_bound(base);
  if ((above != library.transactions.end() && above->first < base + kFilesPerBase) ||
      TransactionOf(library, base) != library.transactions.end()) {
    return Fail(kTransactionOpen);
  }
  library.transactions[base] = Transaction{};
  return 0;
}

int16_t KVBcommit(int16_t base) {
  return WithTransaction(base, [](Transaction& transaction) -> int16_t {
    if (NotedUndone(transaction)) return kTransactionUndone;
    if (!transaction.store) return kNone;
    int16_t code = transaction.store->Commit();
    if (code != kNone) transaction.store->Rollback();  // all or nothing, never left open
    return code;
  });
}

int16_t KVBrollback(int16_t base) {
  return WithTransaction(base, [](Transaction& transaction) -> int16_t {
    if (transaction.store) transaction.store->Rollback();
    return kNone;
  });
}

}  // extern "C"

// Transactions across the keyed files of one store: KVBbegin, KVBcommit,
// KVBrollback, and the writes inside them.
//
// A transaction belongs to a file-number base and takes in the writes to
// keyed files numbered base .. base + 255. It starts the store's transaction
// at its first write (so a transaction that writes nothing touches no
// store), and from then on every write of it must go to that store: the
// files of one folder share one store, so one commit stores them all.
#include "kvb.h"
#include "open_files.h"
#include "status.h"

using namespace kvb;

namespace kvb {

int16_t WriteKeyed(Library& library, int16_t number, KeyedFile& file) {
  if (int16_t code = file.CheckWrite(); code != kNone) return code;
  auto transaction = TransactionOf(library, number);
  if (transaction == library.transactions.end()) {
    // Outside a transaction: its own commit, unless the shared store is in
    // the middle of another base's transaction, which would take it in.
    return file.store().in_transaction() ? kStoreInTransaction : file.Write();
  }
  Transaction& open = transaction->second;
  if (open.undone) return kTransactionUndone;
  if (!open.store) {
    if (file.store().in_transaction()) return kStoreInTransaction;
    if (int16_t code = file.store().Begin(); code != kNone) {
      // A store that cannot start the transaction failed the write; a busy
      // one only made it wait in vain, and the write may be tried again.
      if (code != kBusy) open.undone = true;
      return code;
    }
    open.store = file.shared_store();
  } else if (open.store != file.shared_store()) {
    return kSecondStore;
  }
  int16_t code = file.Write();
  if (code != kNone) {
    // A failed write may have undone the whole transaction in the store
    // already; undo it in every case, so that a commit never stores a part.
    open.store->Rollback();
    open.store.reset();
    open.undone = true;
  }
  return code;
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
    if (transaction.undone) return kTransactionUndone;
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

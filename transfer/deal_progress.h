// How far the transfer of each claimed deal file has come, kept in a keyed
// file of DEXT's own beside the target files (DEXTRUNS.DAT, made on first
// use) so that it commits together with each deal's writes.
//
// A run posts the deals of its claimed file in order and stops at the first
// that fails, so the deals done (posted, or skipped for want of an inventory
// record) are always the first ones of the file. The claim's record holds how
// many they are and a fingerprint of them in their order; each skipped one
// has a record of its own. A later run of the same claim, from any
// workstation, reads those deals again without posting them, checks that
// they are still the same (trailing blanks and line ends do not count, so a
// file saved again by an editor is the same file), and goes on with the
// next. When the claimed file is deleted, its records go too.
#ifndef DEXT_TRANSFER_DEAL_PROGRESS_H_
#define DEXT_TRANSFER_DEAL_PROGRESS_H_

#include <cstdint>
#include <string>

#include "transfer/deal.h"

namespace dext {

inline constexpr char kProgressFileName[] = "DEXTRUNS.DAT";

// A deal an earlier run of the claim skipped: its records were appended to
// DEXT.SKP at kept_at (the file's size before them).
struct SkippedBefore {
  std::string stock_number;
  uint64_t kept_at = 0;
};

class DealProgress {
 public:
  // Opens the progress file under the destination path at offset 4 (made
  // there when the store has none) and reads the claim's record. Every
  // failure goes to the error box.
  DealProgress(const std::string& destination, std::string claim);

  // For a preview: reads the claim's record, opening the progress file
  // read-only; none there is no progress. Nothing is made or written.
  struct ReadOnly {};
  DealProgress(const std::string& destination, std::string claim, ReadOnly);

  // Deals 1 .. deals_done() were done by earlier runs of the claim.
  long deals_done() const { return done_; }

  // For a deal an earlier run did (number <= deals_done()): true when it
  // skipped it (*skipped filled), false when it posted it. Reaching the last
  // of them, a deal file whose done deals are no longer those that were done
  // stops the transfer (error box) before anything more is posted.
  bool CheckDoneDeal(const Deal& deal, SkippedBefore* skipped);

  // At the end of the deal file after `deals` deals: a file that now holds
  // fewer deals than were done stops the transfer (error box).
  void CheckEndOfDeals(long deals);

  // Notes the deal done, inside the deal's transaction; a skipped deal with
  // where its records go in DEXT.SKP.
  void NoteDone(const Deal& deal);
  void NoteSkipped(const Deal& deal, uint64_t kept_at);

  // After the claimed file is deleted: its records go, in one transaction.
  // False when they could not be removed (they only take room).
  bool Forget();

 private:
  void Open(const std::string& destination, bool read_only);
  void Fold(const Deal& deal);
  void StoreClaim();

  std::string claim_;
  long done_ = 0;            // deals done, by earlier runs and this one
  long skips_ = 0;           // of them skipped
  long next_skip_ = 1;       // the next earlier skipped deal to meet
  long next_skip_deal_ = 0;  // its deal number, once read (0: not yet)
  SkippedBefore next_skipped_;
  std::string stored_chain_;  // the fingerprint the earlier runs left
  uint64_t chain_;           // fingerprint of the deals read so far
};

}  // namespace dext

#endif  // DEXT_TRANSFER_DEAL_PROGRESS_H_

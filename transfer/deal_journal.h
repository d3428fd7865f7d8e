// The deal journal, DEXT.JNL beside the deal file: which accounting records
// and skipped deals this deal file has already produced. An interrupted
// transfer runs the whole deal file again; without the journal the rerun
// would take an accounting record that the interrupted run wrote for a
// stranger's and post the rest of the deal from a half-filled buffer (the
// traded vehicle without its price, the buyer's first name in the deal
// file's case). With it, the rerun posts such a deal exactly as the first run
// did. Entries name the deal by its place in the file, so a stock number sold
// twice in one file still meets its own earlier record the second time.
//
// The journal belongs to one deal file: it is started afresh when the deal
// file's contents differ, and removed once the deal file is gone. Without an
// open journal (the postings' own tests) every query answers no.
#ifndef DEXT_TRANSFER_DEAL_JOURNAL_H_
#define DEXT_TRANSFER_DEAL_JOURNAL_H_

#include <string>

namespace dext {

inline constexpr char kDealJournalName[] = "DEXT.JNL";

// Opens the journal of the deal file of that name in the current directory,
// keeping the entries of an earlier run of the same contents. False when the
// journal cannot be read or started.
bool OpenDealJournal(const std::string& deal_file_name);

// The deal being posted, counted from 1.
void SetJournalDeal(int deal);

// True when an earlier run of this deal file wrote the accounting record
// under key for the current deal.
bool JournalHasAccounting(const std::string& key);
// Notes durably, before the write, that the accounting record under key is
// written for the current deal. False when the note cannot be made durable.
bool JournalAccounting(const std::string& key);

// The same for the current deal's copy in the file of skipped deals.
bool JournalHasSkippedDeal();
bool JournalSkippedDeal();

// Closes the journal and deletes it, unless the deal file is still there.
void CloseDealJournal(const std::string& deal_file_name);

// Error box for a journal that cannot be written, then the end; the deal
// file stays.
[[noreturn]] void StopForUnwritableJournal();

}  // namespace dext

#endif  // DEXT_TRANSFER_DEAL_JOURNAL_H_

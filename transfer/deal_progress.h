// How far the transfer of this work folder's deal file has come, kept in a
// keyed file of DEXT's own beside the target files (DEXTPROG.DAT, made on
// first use) so that it commits together with each deal's writes.
//
// Each deal that is done, posted or skipped, has a record keyed by the work
// folder, the folder's current generation, the bytes of its two records and
// how many equal deals came before it in the file. A rerun after a stop skips
// exactly those deals, and a deal file corrected after a stop keeps the
// progress of every deal that did not change. When a transfer completes the
// generation moves on, so the same deals sent again later are posted again.
//
// The folder's record also names the deal file whose transfer completed
// until that file is deleted: a run that finds the very same file again
// (stopped between the two steps) only deletes it.
#ifndef DEXT_TRANSFER_DEAL_PROGRESS_H_
#define DEXT_TRANSFER_DEAL_PROGRESS_H_

#include <string>

#include "transfer/deal.h"

namespace dext {

inline constexpr char kProgressFileName[] = "DEXTPROG.DAT";
inline constexpr char kProgressLayoutName[] = "DEXTPROG.FID";

// Opens the progress file under the destination path at offset 4, making it
// and its layout there when the destination has none. Every failure goes to
// the error box.
void OpenDealProgress(const std::string& destination);

// True when the deal file named is the one whose transfer already completed
// (only its deletion is left).
bool DealFileAlreadyTransferred(const std::string& deal_file);

// Starts the next deal of the deal file: its key comes from its records.
void BeginDealProgress(const Deal& deal);

enum class DealDone { kNo, kPosted, kSkipped };

// Whether the current deal is done, as an earlier run of this deal file left it.
DealDone CurrentDealDone();

// Notes the current deal as done, inside the deal's transaction.
void NoteDealDone(DealDone how, const std::string& stock_number);

// After the last deal, before the deal file is deleted: this generation ends
// and the deal file is named as transferred. The next run that finds another
// deal file clears the name.
void NoteDealFileTransferred(const std::string& deal_file);

}  // namespace dext

#endif  // DEXT_TRANSFER_DEAL_PROGRESS_H_

// The preview: what a transfer would do now with the deal file, deal by
// deal, decided by the same decisions the postings take and with nothing
// written, claimed or locked. Each deal is said in the words DEXT.LOG would
// give it; a deal that would stop the transfer is said with the error box's
// text, and the deals after it are previewed as if it were taken out.
#ifndef DEXT_TRANSFER_PREVIEW_H_
#define DEXT_TRANSFER_PREVIEW_H_

#include <ostream>
#include <string>
#include <vector>

#include "transfer/deal_progress.h"
#include "transfer/journal.h"
#include "transfer/transfer_files.h"

namespace dext {

struct PreviewRun {
  TransferFiles files;     // the target files, open read-only
  std::string deal_file;   // as the work folder names it, open at offset 1
  DealProgress* progress;  // a stopped run's claimed file: how far it came; else null
  std::ostream& out;       // a line per deal
  Journal& journal;        // what would be posted
};

struct PreviewCounts {
  int deals = 0;
  int posted = 0;
  int skipped = 0;
  int done_before = 0;
  std::vector<int> stops;  // the deals that would stop the transfer
};

PreviewCounts PreviewDeals(PreviewRun& run);

// The preview's last line: what the transfer would do, and whether it would
// complete.
std::string PreviewSummary(const std::string& deal_file, const PreviewCounts& counts);

}  // namespace dext

#endif  // DEXT_TRANSFER_PREVIEW_H_

#include "transfer/read_ahead.h"

#include <string>

#include "records/library.h"
#include "transfer/text.h"

namespace dext {

void NameRecordsAhead(const Deal& deal, const TransferFiles& files) {
  const RecordLibrary& library = Library();
  library.KVBprefetch(files.accounting.value, deal.StockNumber().c_str());
  const std::string trade_in = UpperCase(deal.Text(DealColumn::kTradeInStockNumber));
  if (!TrimRight(trade_in).empty()) library.KVBprefetch(files.inventory.value, trade_in.c_str());
}

}  // namespace dext

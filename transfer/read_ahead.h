// Hints to the record library: the records a deal's postings will read
// after the sold vehicle, named before it is read, so that a server store
// fetches them together with it instead of one round trip each.
#ifndef DEXT_TRANSFER_READ_AHEAD_H_
#define DEXT_TRANSFER_READ_AHEAD_H_

#include "transfer/deal.h"
#include "transfer/transfer_files.h"

namespace dext {

// Names the accounting record (keyed by the sold vehicle's stock number,
// which its inventory record holds as its key) and the trade-in's inventory
// record (accounting line 8 upper-cased, as the accounting posting puts it)
// to be read in the deal's open transaction. A hint changes no result: one
// the library cannot take, or one that names a record the postings will not
// read (a field cut shorter by the layout), only costs its fetch, so its
// status is not checked.
void NameRecordsAhead(const Deal& deal, const TransferFiles& files);

}  // namespace dext

#endif  // DEXT_TRANSFER_READ_AHEAD_H_

// The transfer driver: opens the file set, reads the deal file deal by deal,
// marks each sold vehicle and runs the three postings of the deal.
#ifndef DEXT_TRANSFER_TRANSFER_H_
#define DEXT_TRANSFER_TRANSFER_H_

#include <chrono>
#include <cstdint>

#include "transfer/transfer_files.h"

namespace dext {

int16_t StartTransfer();
int16_t DestinationEntered();
int16_t DestinationConfirmed();
// Reads the deal file deal by deal and posts each to the open target files.
// Returns 1 when a posting stopped the transfer; otherwise it ends the
// program after the last deal.
int16_t TransferDeals(const TransferFiles& files);

// Nobody can answer the locked-vehicle message (a headless run): the lock is
// tried again once a second, and after wait the transfer stops with an error.
void SetUnattendedLockWait(std::chrono::seconds wait);

// Registers DestinationEntered for DNP and DestinationConfirmed for DPYN
// with the screen.
void RegisterTransferProcedures();

}  // namespace dext

#endif  // DEXT_TRANSFER_TRANSFER_H_

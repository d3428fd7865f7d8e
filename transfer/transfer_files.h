// The files of a transfer: their offsets from FileBase, and the open target
// files a deal is posted to.
#ifndef DEXT_TRANSFER_TRANSFER_FILES_H_
#define DEXT_TRANSFER_TRANSFER_FILES_H_

#include <cstdint>

#include "context/file_numbers.h"

namespace dext {

inline constexpr FileOffset kDealFile{1};  // also the saved destination
inline constexpr FileOffset kAccountingFile{2};
inline constexpr FileOffset kCustomerFile{3};
inline constexpr FileOffset kProgressFile{4};  // DEXT's own progress file
inline constexpr FileOffset kInventoryFile{5};

// The accounting file a destination holds, and the lines of its two line
// pairs that depend on its layout.
struct AccountingLayout {
  const char* name;
  int16_t first_pair_line;   // debit and credit of deal record 2, columns 1-8
  int16_t second_pair_line;  // debit and credit of deal record 1, columns 242-249
};
inline constexpr AccountingLayout kKjrvh{"KJRVH", 21, 22};
inline constexpr AccountingLayout kKjrth{"KJRTH", 15, 16};

// The open target files, by absolute file number.
struct TransferFiles {
  FileNumber accounting;
  FileNumber customer;
  FileNumber inventory;
  AccountingLayout accounting_layout;
};

// The target files as the driver opens them under the session's FileBase.
inline TransferFiles TargetFiles(const AccountingLayout& accounting_layout) {
  return {NumberOf(kAccountingFile), NumberOf(kCustomerFile), NumberOf(kInventoryFile),
          accounting_layout};
}

}  // namespace dext

#endif  // DEXT_TRANSFER_TRANSFER_FILES_H_

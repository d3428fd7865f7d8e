// Checks of a deal before any of it is posted. A deal file that is not what
// it seems (an amount with grouping commas or a trailing sign, text in UTF-8)
// would otherwise be posted with wrong money or shifted columns and the deal
// file deleted; the transfer stops instead and the deal file stays.
#ifndef DEXT_TRANSFER_DEAL_CHECK_H_
#define DEXT_TRANSFER_DEAL_CHECK_H_

#include <optional>
#include <string>

namespace dext {

struct DealFault {
  std::string message;  // names the deal, its stock number and the fault
  std::string detail;   // what to do about it
};

// The first fault of the deal (number counted from 1 in the deal file), or
// none. A column read as a number must be blank or one plain decimal number;
// no record may hold a UTF-8 multi-byte sequence (a byte-order mark included).
std::optional<DealFault> FindDealFault(int deal, const std::string& record1,
                                       const std::string& record2);

// True when text holds a well-formed UTF-8 sequence of two to four bytes.
bool HoldsUtf8Sequence(const std::string& text);

}  // namespace dext

#endif  // DEXT_TRANSFER_DEAL_CHECK_H_

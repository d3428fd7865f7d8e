// The three postings of one deal, run by TransferDeals in this order. Each
// takes no arguments, works on the deal in TextSlot 1 and 2 and the record
// buffers of the open files, and returns 0 to go on with the deal.
#ifndef DEXT_TRANSFER_POSTINGS_H_
#define DEXT_TRANSFER_POSTINGS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dext {

// File numbers of the transfer, as offsets from FileBase.
inline constexpr int16_t kDealFile = 1;  // also the saved destination
inline constexpr int16_t kAccountingFile = 2;
inline constexpr int16_t kCustomerFile = 3;
inline constexpr int16_t kInventoryFile = 5;
inline constexpr int16_t kProgressFile = 4;  // DEXT's own progress file

// The absolute file number of a transfer file.
int16_t TransferFile(int16_t offset);

// Keeps the status of a checked operation in LastStatus; a failure shows the
// error box and ends the program.
void CheckStatus(int16_t status);

// The accounting record of the deal, keyed by the sold vehicle's stock number.
int16_t PostAccounting();

// The buyer's service customer record, keyed by the last 8 characters of the
// sold vehicle's VIN.
int16_t PostServiceCustomer();

// The inventory record of the vehicle named by accounting line 8, unless the
// inventory already holds it.
int16_t PostVehicleInventory();

// Reads the record at the keyed position of file into its buffer; LastStatus
// gets the status. True when one was read, false when the file holds none
// under the key. Any other failed read (the disk failing, say) is no answer
// about the record: it goes to the error box and ends the program, so a
// record that could not be read is never taken for a missing one and
// overwritten.
bool ReadAtPosition(int16_t file);

// A column range of a deal record that a posting reads as a number, named by
// the field and line it goes to ("DA Line 3", "MILES").
struct NumberColumn {
  std::string target;
  int record;  // 1 or 2
  int first;   // counted from 1
  int length;
};

// Every column the postings read as a number, the line pair of the open
// accounting file (LongSlot 8 and 9) included.
std::vector<NumberColumn> NumberColumns();

// The accounting posting's amount columns.
std::vector<NumberColumn> AmountColumns();

// The sold vehicle's mileage, read by the service customer posting.
NumberColumn MileageColumn();

// A field of a target file that a posting reads or writes (occurrence 0: a
// single field).
struct FieldUse {
  std::string field;
  int16_t occurrence;
};

// The fields each posting, and the driver's mark of the sold vehicle, use in
// the accounting, service customer and vehicle inventory files. A layout that
// lacks one would drop its value silently, since field puts are not checked.
std::vector<FieldUse> AccountingFieldsUsed();
std::vector<FieldUse> CustomerFieldsUsed();
std::vector<FieldUse> InventoryFieldsUsed();

// Length of the service customer key; a sold vehicle whose VIN is shorter
// posts no customer record.
inline constexpr size_t kCustomerKeyLength = 8;

// The key of the buyer's service customer record: the last 8 characters of
// the sold vehicle's VIN (trailing blanks removed); none when the VIN has
// fewer than 8 characters. Uses TextSlot 5 and AmountSlot 5 as work slots.
std::optional<std::string> CustomerKey();

// The buyer's name as the service customer record holds it: first name,
// middle initial and last name of the accounting buffer, blank-separated.
std::string BuyerName();

}  // namespace dext

#endif  // DEXT_TRANSFER_POSTINGS_H_

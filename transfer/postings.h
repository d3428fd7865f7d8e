// The three postings of one deal, run by TransferDeals in this order on the
// deal and the open target files. When they run, the sold vehicle's record
// is the current record of the inventory file (positioned, locked, read and
// marked). Each returns what it posted, in words for DEXT.LOG ("accounting
// record written", "customer 12345678 updated", "trade-in T00001 added"); a
// failed operation shows the error box and ends the program instead of
// returning.
//
// The accounting posting's buffer is the hand-over to the two that follow:
// they read the delivery date, the names and line 8 from it as it holds
// them, which for an accounting record already there is not the deal's
// every value.
#ifndef DEXT_TRANSFER_POSTINGS_H_
#define DEXT_TRANSFER_POSTINGS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "context/file_numbers.h"
#include "records/record_fields.h"
#include "transfer/deal.h"
#include "transfer/transfer_files.h"

namespace dext {

// The accounting record of the deal, keyed by the sold vehicle's stock number.
std::string PostAccounting(const Deal& deal, const TransferFiles& files);

// The buyer's service customer record, keyed by the last 8 characters of the
// sold vehicle's VIN.
std::string PostServiceCustomer(const Deal& deal, const TransferFiles& files);

// The inventory record of the vehicle named by accounting line 8 (the
// trade-in), unless the inventory already holds it.
std::string PostVehicleInventory(const Deal& deal, const TransferFiles& files);

// Keeps the status of a checked operation in LastStatus; a failure shows the
// error box and ends the program.
void CheckStatus(int16_t status);

// Reads the record at the keyed position of file into its buffer; LastStatus
// gets the status. True when one was read, false when the file holds none
// under the key. Any other failed read (the disk failing, say) is no answer
// about the record: it goes to the error box and ends the program, so a
// record that could not be read is never taken for a missing one and
// overwritten.
bool ReadAtPosition(FileNumber file);

// Every column of a deal the postings read as a number.
std::vector<NumberColumn> NumberColumns(const AccountingLayout& accounting_layout);

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
// Each list comes from what the puts and reads name: the accounting
// posting's rows, and the lists of the customer and inventory fields that
// their records take (ListedRecord).
std::vector<FieldUse> AccountingFieldsUsed(const AccountingLayout& accounting_layout);
std::vector<FieldUse> CustomerFieldsUsed();
std::vector<FieldUse> InventoryFieldsUsed();

// Every field of the service customer record that the transfer reads or
// writes. The postings reach the customer and inventory records only through
// CustomerRecord and InventoryRecord, which take no other fields, and the
// layout check checks each of them.
inline constexpr std::string_view kCustomerFields[] = {
    "VENO", "ACNO",  "NAME", "INSMO",  "MILES", "SCEY",  "SCEM",  "FUMO", "FUDAY", "FUYR",
    "LSMO", "LSDAY", "LSYR", "LSODOM", "ADDRS", "CITY",  "STATE", "ZIP",  "PX",    "PN",
    "WPX",  "WPN",   "DBM",  "DBD",    "LIC",   "FTERM", "SCD",   "SCTM",
};
using CustomerRecord = ListedRecord<kCustomerFields>;

// Every field of the vehicle inventory record that the transfer reads or
// writes: the driver's mark of the sold vehicle, the postings' reads of it,
// and the trade-in the inventory posting adds.
inline constexpr std::string_view kInventoryFields[] = {
    "ACT", "STKNO", "VIN", "NU",    "DIM",  "DID",   "DIY", "PROWN",
    "IP",  "YEAR",  "MAK", "MODEL", "BODY", "MILES", "COL",
};
using InventoryRecord = ListedRecord<kInventoryFields>;

// Length of the service customer key; a sold vehicle whose VIN is shorter
// posts no customer record.
inline constexpr size_t kCustomerKeyLength = 8;

// The key of the buyer's service customer record: the last 8 characters of
// the VIN (trailing blanks removed); none when it has fewer than 8.
std::optional<std::string> CustomerKey(const std::string& sold_vehicle_vin);

// The buyer's name as the service customer record holds it: first name,
// middle initial and last name as the accounting buffer holds them,
// blank-separated.
std::string BuyerName(const TransferFiles& files);

}  // namespace dext

#endif  // DEXT_TRANSFER_POSTINGS_H_

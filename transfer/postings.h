// The three postings of one deal, run by TransferDeals in this order on the
// deal and the open target files. When they run, the sold vehicle's record
// is the current record of the inventory file (positioned, locked, read and
// marked). Each is decided first, from the deal and the records as they are,
// with the buffer filled for its write, and then stored: a preview takes the
// same decisions and stores nothing. A decision says what the posting does in
// words for DEXT.LOG ("accounting record written", "customer 12345678
// updated", "trade-in T00001 added"); a failed operation shows the error box
// and ends the program instead of returning.
//
// The accounting posting's buffer is the hand-over to the two that follow:
// they read the delivery date, the names and line 8 from it as it holds
// them, which for an accounting record already there is not the deal's
// every value.
#ifndef DEXT_TRANSFER_POSTINGS_H_
#define DEXT_TRANSFER_POSTINGS_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "context/file_numbers.h"
#include "records/record_fields.h"
#include "transfer/deal.h"
#include "transfer/transfer_files.h"

namespace dext {

// The records the deals before the current one would have stored when they
// are only previewed and nothing is stored: a later deal's decision finds
// them there, as the transfer would. Only the fields noted with a record
// are put back into the buffer when it is found.
class PlannedRecords {
 public:
  using FieldValues = std::vector<std::pair<std::string, std::string>>;
  void Note(FileNumber file, const std::string& key, FieldValues fields = {});
  // Puts the record noted under key into the file's buffer (cleared first);
  // false when none is noted.
  bool PutBack(FileNumber file, const std::string& key) const;

 private:
  std::map<std::pair<int16_t, std::string>, FieldValues> records_;
};

// What a posting does to its target file for one deal, decided from the deal
// and the records as they are now, with the file's buffer filled for the
// write. The transfer stores what was decided (StoreDecided); the preview
// only reports it. `planned` is null in a transfer.
struct PostingDecision {
  FileNumber file;
  std::string key;     // the record's key
  bool store = false;  // the buffer is to be stored under key
  std::string words;   // for DEXT.LOG: "accounting record written"
};

struct AccountingDecision : PostingDecision {
  // A record to be written: its amount lines as the buffer holds them, in
  // the order of AccountingLines.
  std::vector<std::string> amounts;
};

// The accounting record of the deal, keyed by the sold vehicle's stock
// number. An amount too large for its line stops (throws Stop) here.
AccountingDecision DecideAccounting(const Deal& deal, const TransferFiles& files,
                                    const PlannedRecords* planned = nullptr);

// The buyer's service customer record, keyed by the last 8 characters of the
// sold vehicle's VIN.
PostingDecision DecideServiceCustomer(const Deal& deal, const TransferFiles& files,
                                      const PlannedRecords* planned = nullptr);

// The inventory record of the vehicle named by accounting line 8 (the
// trade-in), unless the inventory already holds it.
PostingDecision DecideVehicleInventory(const Deal& deal, const TransferFiles& files,
                                       const PlannedRecords* planned = nullptr);

// The sold vehicle at the inventory file's position (its stock number):
// read and marked sold in the buffer. False when the inventory holds no
// record there: the deal is skipped.
bool MarkSoldVehicle(const TransferFiles& files, const std::string& stock_number,
                     const PlannedRecords* planned = nullptr);

// The vehicle record in the inventory buffer, field by field: what a preview
// notes of a trade-in it would add, for a later deal that sells it.
PlannedRecords::FieldValues InventoryFieldValues(const TransferFiles& files);

// Stores the buffer when the decision says so.
void StoreDecided(const PostingDecision& decision);

// Each posting decided and stored; what it posted, in words.
std::string PostAccounting(const Deal& deal, const TransferFiles& files);
std::string PostServiceCustomer(const Deal& deal, const TransferFiles& files);
std::string PostVehicleInventory(const Deal& deal, const TransferFiles& files);

// The accounting record's amount lines in the order of its puts: "DA 3",
// "TA", and the layout's line pairs by their numbers.
std::vector<std::string> AccountingLines(const AccountingLayout& accounting_layout);

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

// ReadAtPosition, or in a preview the record an earlier deal would have
// stored under key (the file positioned on it).
bool ReadAtPosition(FileNumber file, const std::string& key, const PlannedRecords* planned);

// Positions file on key, then ReadAtPosition with planned.
bool ReadAtKey(FileNumber file, const std::string& key, const PlannedRecords* planned);

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

// PostServiceCustomer: creates or updates the buyer's service customer record,
// keyed by the last 8 characters of the sold vehicle's VIN.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "records/checked.h"
#include "records/numeric.h"
#include "records/record_fields.h"
#include "transfer/postings.h"
#include "transfer/text.h"

namespace dext {
namespace {

struct DealText {
  CustomerRecord::Field field;
  ColumnRange columns;
};

using C = DealColumn;

// Address, telephone and licence from deal record 2, in the order of the puts.
constexpr DealText kAddressColumns[] = {
    {"ADDRS", C::kAddress},         {"CITY", C::kCity},
    {"STATE", C::kState},           {"ZIP", C::kZip},
    {"PX", C::kPhonePrefix},        {"PN", C::kPhoneNumber},
    {"WPX", C::kWorkPhonePrefix},   {"WPN", C::kWorkPhoneNumber},
    {"DBM", C::kBirthMonth},        {"DBD", C::kBirthDay},
    {"LIC", C::kLicence},
};

// Service contract from deal record 1.
constexpr DealText kContractColumns[] = {
    {"FTERM", C::kFinanceTerm},
    {"SCD", C::kServiceContract},
    {"SCTM", C::kServiceContractMonths},
};

template <size_t N>
void PutDealTexts(const Deal& deal, const DealText (&columns)[N], const CustomerRecord& customer) {
  for (const DealText& column : columns) customer.Put(deal.Text(column.columns), column.field);
}

// The expiry month of the contract counted from the delivery month; each
// pass over December carries into the next year.
void PutContractExpiry(const CustomerRecord& customer, const RecordFields& accounting) {
  double month = 0;
  if (customer.Number("SCTM") != 0) {
    customer.Put(accounting.Text("DELYR"), "SCEY");
    month = customer.Number("SCTM") + accounting.Number("DELMO");
    while (CompareRounded(month, 13) != -1) {
      month -= 12;
      customer.Put(NumberText(customer.Number("SCEY") + 1), "SCEY");
    }
  }
  customer.Put(EditNumber(NumberText(month), "99"), "SCEM");
}

void PutDeliveryDate(const CustomerRecord& customer, const RecordFields& accounting,
                     CustomerRecord::Field month, CustomerRecord::Field day,
                     CustomerRecord::Field year) {
  customer.Put(accounting.Text("DELMO"), month);
  customer.Put(accounting.Text("DELDAY"), day);
  customer.Put(accounting.Text("DELYR"), year);
}

// The account number: the first three letters of the last name as the
// accounting record stored it, then characters 3 to 8 of the customer key.
std::string AccountNumber(const CustomerRecord& customer, const RecordFields& accounting) {
  const std::string stored_last_name = UpperCase(accounting.Text("LN1"));
  return stored_last_name.substr(0, 3) + CutColumns(customer.Text("VENO"), 3, 6);
}

}  // namespace

std::vector<FieldUse> CustomerFieldsUsed() {
  std::vector<FieldUse> fields;
  for (std::string_view field : kCustomerFields) fields.push_back({std::string(field), 0});
  return fields;
}

NumberColumn MileageColumn() { return {"MILES", DealColumn::kMileage}; }

std::optional<std::string> CustomerKey(const std::string& sold_vehicle_vin) {
  const std::string vin = TrimRight(sold_vehicle_vin);
  if (vin.size() < kCustomerKeyLength) return std::nullopt;
  return vin.substr(vin.size() - kCustomerKeyLength, kCustomerKeyLength);
}

std::string BuyerName(const TransferFiles& files) {
  const RecordFields accounting(files.accounting);
  return TrimRight(accounting.Text("FN1")) + " " + TrimRight(accounting.Text("MI1")) + " " +
         accounting.Text("LN1");
}

PostingDecision DecideServiceCustomer(const Deal& deal, const TransferFiles& files,
                                      const PlannedRecords* planned) {
  const CustomerRecord customer(files.customer);
  const RecordFields accounting(files.accounting);
  const InventoryRecord sold_vehicle(files.inventory);
  PostingDecision decision;
  decision.file = files.customer;
  const std::optional<std::string> key = CustomerKey(sold_vehicle.Text("VIN"));
  if (!key) {
    decision.words = "no customer record (VIN shorter than 8)";
    return decision;
  }
  decision.key = *key;
  const bool stored = ReadAtKey(files.customer, *key, planned);
  if (!stored) CheckStatus(ClearRecord(files.customer));
  CheckStatus(CopyRecord(files.inventory, files.customer));
  CheckStatus(CopyRecord(files.accounting, files.customer));

  customer.Put(*key, "VENO");
  customer.Put(AccountNumber(customer, accounting), "ACNO");
  customer.Put(BuyerName(files), "NAME");
  PutDealTexts(deal, kAddressColumns, customer);

  if (customer.Number("INSMO") == 0) customer.Put(accounting.Text("DELMO"), "INSMO");
  customer.Put(EditNumber(NumberText(deal.Amount(DealColumn::kMileage)), "ZZZZZ9"), "MILES");
  PutDealTexts(deal, kContractColumns, customer);
  PutContractExpiry(customer, accounting);

  if (customer.Number("FUMO") <= 0 && sold_vehicle.Text("NU") == "N") {
    PutDeliveryDate(customer, accounting, "FUMO", "FUDAY", "FUYR");
  }
  if (customer.Number("LSMO") <= 0) {
    PutDeliveryDate(customer, accounting, "LSMO", "LSDAY", "LSYR");
    customer.Put(customer.Text("MILES"), "LSODOM");
  }
  decision.store = true;
  decision.words = "customer " + *key + (stored ? " updated" : " created");
  return decision;
}

std::string PostServiceCustomer(const Deal& deal, const TransferFiles& files) {
  const PostingDecision decision = DecideServiceCustomer(deal, files);
  StoreDecided(decision);
  return decision.words;
}

}  // namespace dext

// PostServiceCustomer: creates or updates the buyer's service customer record,
// keyed by the last 8 characters of the sold vehicle's VIN.
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

#include "records/checked.h"
#include "records/line_output.h"
#include "records/numeric.h"
#include "session/orderly_end.h"
#include "context/session.h"
#include "transfer/deal_columns.h"
#include "transfer/postings.h"
#include "transfer/run_report.h"

namespace dext {
namespace {

void Put(const std::string& value, const char* field) {
  PutFieldValue(value, field, TransferFile(kCustomerFile), 0);
}

std::string Value(const char* field, int16_t offset) { return FieldValue(field, TransferFile(offset), 0); }

double Number(const char* field, int16_t offset) { return NumericValue(Value(field, offset)); }

struct DealText {
  const char* field;
  int record;
  int first;
  int length;
};

// Address, telephone and licence from deal record 2, in the order of the puts.
constexpr DealText kAddressColumns[] = {
    {"ADDRS", 2, 88, 30}, {"CITY", 2, 118, 15}, {"STATE", 2, 133, 2}, {"ZIP", 2, 135, 10},
    {"PX", 2, 145, 3},    {"PN", 2, 148, 4},    {"WPX", 2, 152, 3},   {"WPN", 2, 155, 4},
    {"DBM", 2, 159, 2},   {"DBD", 2, 161, 2},   {"LIC", 2, 52, 8},
};

// Service contract from deal record 1.
constexpr DealText kContractColumns[] = {
    {"FTERM", 1, 54, 3}, {"SCD", 1, 149, 35}, {"SCTM", 1, 184, 2}};

void PutDealTexts(const DealText* begin, const DealText* end) {
  for (const DealText* column = begin; column != end; ++column) {
    Put(DealColumns(Session().TextSlot[column->record], column->first, column->length),
        column->field);
  }
}

// The expiry month of the contract counted from the delivery month; each
// pass over December carries into the next year.
void PutContractExpiry() {
  SessionContext& session = Session();
  session.AmountSlot[5] = 0;
  if (Number("SCTM", kCustomerFile) != 0) {
    Put(Value("DELYR", kAccountingFile), "SCEY");
    session.AmountSlot[5] = Number("SCTM", kCustomerFile) + Number("DELMO", kAccountingFile);
    while (CompareRounded(session.AmountSlot[5], 13) != -1) {
      session.AmountSlot[5] -= 12;
      Put(NumberText(Number("SCEY", kCustomerFile) + 1), "SCEY");
    }
  }
  Put(EditNumber(NumberText(session.AmountSlot[5]), "99"), "SCEM");
}

void PutDeliveryDate(const char* month, const char* day, const char* year) {
  Put(Value("DELMO", kAccountingFile), month);
  Put(Value("DELDAY", kAccountingFile), day);
  Put(Value("DELYR", kAccountingFile), year);
}

}  // namespace

std::vector<FieldUse> CustomerFieldsUsed() {
  std::vector<FieldUse> fields;
  for (const char* field : {"VENO", "ACNO", "NAME", "INSMO", "MILES", "SCEY", "SCEM", "FUMO",
                            "FUDAY", "FUYR", "LSMO", "LSDAY", "LSYR", "LSODOM"}) {
    fields.push_back({field, 0});
  }
  for (const DealText& column : kAddressColumns) fields.push_back({column.field, 0});
  for (const DealText& column : kContractColumns) fields.push_back({column.field, 0});
  return fields;
}

NumberColumn MileageColumn() { return {"MILES", 1, 13, 6}; }

std::optional<std::string> CustomerKey() {
  SessionContext& session = Session();
  session.TextSlot[5] = TrimRight(Value("VIN", kInventoryFile));
  session.AmountSlot[5] = static_cast<double>(session.TextSlot[5].size());
  if (CompareRounded(session.AmountSlot[5], kCustomerKeyLength) == -1) return std::nullopt;
  session.AmountSlot[5] -= kCustomerKeyLength - 1;
  const auto start = static_cast<size_t>(session.AmountSlot[5]);
  session.TextSlot[5] = session.TextSlot[5].substr(start - 1, kCustomerKeyLength);
  return session.TextSlot[5];
}

std::string BuyerName() {
  return TrimRight(Value("FN1", kAccountingFile)) + " " + TrimRight(Value("MI1", kAccountingFile)) +
         " " + Value("LN1", kAccountingFile);
}

int16_t PostServiceCustomer() {
  SessionContext& session = Session();
  const std::optional<std::string> key = CustomerKey();
  if (!key) {
    CurrentPostings().customer = "no customer record (VIN shorter than 8)";
    return 0;
  }
  CheckStatus(PositionFile(TransferFile(kCustomerFile), *key, -1, "", 256));
  if (ReadAtPosition(TransferFile(kCustomerFile))) {
    CurrentPostings().customer = "customer " + *key + " updated";
  } else {
    CurrentPostings().customer = "customer " + *key + " created";
    CheckStatus(ClearRecord(TransferFile(kCustomerFile)));
  }
  CheckStatus(CopyRecord(TransferFile(kInventoryFile), TransferFile(kCustomerFile)));
  CheckStatus(CopyRecord(TransferFile(kAccountingFile), TransferFile(kCustomerFile)));

  Put(*CustomerKey(), "VENO");
  session.TextSlot[5] = UpperCase(Value("LN1", kAccountingFile));
  Put(session.TextSlot[5].substr(0, 3) + DealColumns(Value("VENO", kCustomerFile), 3, 6), "ACNO");
  Put(BuyerName(), "NAME");
  PutDealTexts(std::begin(kAddressColumns), std::end(kAddressColumns));

  if (Number("INSMO", kCustomerFile) == 0) Put(Value("DELMO", kAccountingFile), "INSMO");
  const NumberColumn miles = MileageColumn();
  session.AmountSlot[5] =
      NumericValue(DealColumns(session.TextSlot[miles.record], miles.first, miles.length));
  Put(EditNumber(NumberText(session.AmountSlot[5]), "ZZZZZ9"), "MILES");
  PutDealTexts(std::begin(kContractColumns), std::end(kContractColumns));
  PutContractExpiry();

  if (Number("FUMO", kCustomerFile) <= 0 && Value("NU", kInventoryFile) == "N") {
    PutDeliveryDate("FUMO", "FUDAY", "FUYR");
  }
  if (Number("LSMO", kCustomerFile) <= 0) {
    PutDeliveryDate("LSMO", "LSDAY", "LSYR");
    Put(Value("MILES", kCustomerFile), "LSODOM");
  }
  CheckStatus(EndLines(kCustomerFile, 1, 512));
  return 0;
}

}  // namespace dext

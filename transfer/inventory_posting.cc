// PostVehicleInventory: adds the deal's second vehicle (the one named by
// accounting line 8) to the vehicle inventory, unless it is there already.
#include <cstdint>
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
  PutFieldValue(value, field, TransferFile(kInventoryFile), 0);
}

std::string StockNumberOnLine8() { return FieldValue("DC", TransferFile(kAccountingFile), 8); }

// The previous owner is the buyer of this deal. When the sold vehicle's VIN
// is too short for a customer record, the customer buffer still holds an
// earlier deal's customer, so the name is composed from this deal's buyer.
std::string PreviousOwner(const std::string& sold_vehicle_vin) {
  if (TrimRight(sold_vehicle_vin).size() < kCustomerKeyLength) return BuyerName();
  return FieldValue("NAME", TransferFile(kCustomerFile), 0);
}

struct VehicleColumn {
  const char* field;
  int first;
  int length;
};

// The vehicle's identification and description, from deal record 2.
constexpr VehicleColumn kVehicleColumns[] = {
    {"VIN", 163, 17},   {"YEAR", 180, 4},  {"MAK", 184, 10}, {"MODEL", 194, 10},
    {"BODY", 204, 5},   {"MILES", 209, 6}, {"COL", 215, 10},
};

}  // namespace

std::vector<FieldUse> InventoryFieldsUsed() {
  std::vector<FieldUse> fields;
  for (const char* field : {"ACT", "STKNO", "VIN", "NU", "DIM", "DID", "DIY", "PROWN", "IP"}) {
    fields.push_back({field, 0});
  }
  for (const VehicleColumn& column : kVehicleColumns) fields.push_back({column.field, 0});
  return fields;
}

int16_t PostVehicleInventory() {
  SessionContext& session = Session();
  const std::string sold_vehicle_vin = FieldValue("VIN", TransferFile(kInventoryFile), 0);
  session.TextSlot[5] = TrimRight(StockNumberOnLine8());
  if (session.TextSlot[5].empty()) {
    CurrentPostings().trade_in = "no trade-in";
    return 0;
  }
  CheckStatus(PositionFile(TransferFile(kInventoryFile), StockNumberOnLine8(), -1, "", 256));
  if (ReadAtPosition(TransferFile(kInventoryFile))) {
    CurrentPostings().trade_in = "trade-in " + session.TextSlot[5] + " already there";
    return 0;
  }
  CurrentPostings().trade_in = "trade-in " + session.TextSlot[5] + " added";
  CheckStatus(ClearRecord(TransferFile(kInventoryFile)));

  Put(StockNumberOnLine8(), "STKNO");
  Put(FieldValue("DELMO", TransferFile(kAccountingFile), 0), "DIM");
  Put(FieldValue("DELDAY", TransferFile(kAccountingFile), 0), "DID");
  Put(FieldValue("DELYR", TransferFile(kAccountingFile), 0), "DIY");
  Put(PreviousOwner(sold_vehicle_vin), "PROWN");
  for (const VehicleColumn& column : kVehicleColumns) {
    Put(DealColumns(session.TextSlot[2], column.first, column.length), column.field);
  }
  Put(FieldValue("DA", TransferFile(kAccountingFile), 8), "IP");
  Put("U", "NU");
  CheckStatus(EndLines(kInventoryFile, 1, 512));
  return 0;
}

}  // namespace dext

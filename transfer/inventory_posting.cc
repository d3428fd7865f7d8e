// PostVehicleInventory: adds the deal's second vehicle (the one named by
// accounting line 8, the trade-in) to the vehicle inventory, unless it is
// there already.
#include <cstdint>
#include <string>
#include <string_view>

#include "records/checked.h"
#include "records/record_fields.h"
#include "transfer/postings.h"
#include "transfer/text.h"

namespace dext {
namespace {

// The previous owner is the buyer of this deal, as the customer posting left
// the customer buffer. When the sold vehicle's VIN is too short for a
// customer record, that buffer still holds an earlier deal's customer, so the
// name is composed from this deal's buyer.
std::string PreviousOwner(const std::string& sold_vehicle_vin, const TransferFiles& files) {
  if (!CustomerKey(sold_vehicle_vin)) return BuyerName(files);
  return CustomerRecord(files.customer).Text("NAME");
}

struct VehicleColumn {
  InventoryRecord::Field field;
  ColumnRange columns;
};

using C = DealColumn;

// The trade-in's identification and description, from deal record 2.
constexpr VehicleColumn kVehicleColumns[] = {
    {"VIN", C::kTradeInVin},     {"YEAR", C::kTradeInYear},      {"MAK", C::kTradeInMake},
    {"MODEL", C::kTradeInModel}, {"BODY", C::kTradeInBody},      {"MILES", C::kTradeInMileage},
    {"COL", C::kTradeInColour},
};

}  // namespace

std::vector<FieldUse> InventoryFieldsUsed() {
  std::vector<FieldUse> fields;
  for (std::string_view field : kInventoryFields) fields.push_back({std::string(field), 0});
  return fields;
}

bool MarkSoldVehicle(const TransferFiles& files, const std::string& stock_number,
                     const PlannedRecords* planned) {
  if (!ReadAtPosition(files.inventory, stock_number, planned)) return false;
  InventoryRecord(files.inventory).Put("2", "ACT");  // sold
  return true;
}

PostingDecision DecideVehicleInventory(const Deal& deal, const TransferFiles& files,
                                       const PlannedRecords* planned) {
  const InventoryRecord inventory(files.inventory);
  const RecordFields accounting(files.accounting);
  const std::string sold_vehicle_vin = inventory.Text("VIN");
  PostingDecision decision;
  decision.file = files.inventory;
  // The trade-in's stock number as the accounting buffer holds it: upper-cased
  // and cut to the layout's width.
  const std::string stock_number = accounting.Text("DC", 8);
  decision.key = stock_number;
  if (TrimRight(stock_number).empty()) {
    decision.words = "no trade-in";
    return decision;
  }
  if (ReadAtKey(files.inventory, stock_number, planned)) {
    decision.words = "trade-in " + TrimRight(stock_number) + " already there";
    return decision;
  }
  CheckStatus(ClearRecord(files.inventory));

  inventory.Put(stock_number, "STKNO");
  inventory.Put(accounting.Text("DELMO"), "DIM");
  inventory.Put(accounting.Text("DELDAY"), "DID");
  inventory.Put(accounting.Text("DELYR"), "DIY");
  inventory.Put(PreviousOwner(sold_vehicle_vin, files), "PROWN");
  for (const VehicleColumn& column : kVehicleColumns) {
    inventory.Put(deal.Text(column.columns), column.field);
  }
  // The price as the accounting buffer holds it: for an accounting record
  // already there, line 8 is what the vehicle record's copy left.
  inventory.Put(accounting.Text("DA", 8), "IP");
  inventory.Put("U", "NU");
  decision.store = true;
  decision.words = "trade-in " + TrimRight(stock_number) + " added";
  return decision;
}

std::string PostVehicleInventory(const Deal& deal, const TransferFiles& files) {
  const PostingDecision decision = DecideVehicleInventory(deal, files);
  StoreDecided(decision);
  return decision.words;
}

PlannedRecords::FieldValues InventoryFieldValues(const TransferFiles& files) {
  const RecordFields inventory(files.inventory);
  PlannedRecords::FieldValues values;
  for (std::string_view field : kInventoryFields) {
    values.emplace_back(std::string(field), inventory.Text(std::string(field)));
  }
  return values;
}

}  // namespace dext

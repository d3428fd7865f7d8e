#include "tools/dext-sample/sample_dealership.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "tools/dext-sample/fixed_record.h"

namespace sample {
namespace {

constexpr int kDealRecordWidth = 249;

// splitmix64: the same sequence for a seed on every platform and compiler.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  int Between(int low, int high) { return low + Below(high - low + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T, size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[static_cast<size_t>(Below(static_cast<int>(N)))];
  }

 private:
  uint64_t state_;
};

constexpr std::array<const char*, 16> kFirstNames = {
    "James", "mary", "ROBERT", "Patricia", "Jose", "Linda", "Michael", "barbara",
    "Wei",   "Aisha", "David", "Susan",    "Kevin", "Nguyen", "Carlos", "Elizabeth"};
constexpr std::array<const char*, 16> kLastNames = {
    "Smith",  "johnson", "McDonald", "O'Brien", "GARCIA", "Nguyen", "de la Cruz", "Li",
    "Miller", "Ng",      "Wilson",   "Moore",   "taylor", "Anderson", "Okafor",  "Schmidt"};
constexpr std::array<const char*, 8> kSalesmen = {
    "BILL HARPER", "Dana Whitfield", "JOE MARTINEZ", "Sandy Koval",
    "Tom Reyes",   "LISA CHEN",      "Rick Dubois",  "Ann Foster"};
constexpr std::array<const char*, 8> kStreets = {
    "Maple Ave", "Main St", "Oak Ridge Rd", "Elm St", "Lakeview Dr", "2nd Ave", "Birch Ln",
    "Route 9"};
constexpr std::array<std::array<const char*, 3>, 6> kCities = {{{"Springfield", "IL", "62701"},
                                                                {"Columbus", "OH", "43215"},
                                                                {"Madison", "WI", "53703"},
                                                                {"Fort Wayne", "IN", "46802"},
                                                                {"Dayton", "OH", "45402"},
                                                                {"Peoria", "IL", "61602"}}};
constexpr std::array<std::array<const char*, 3>, 8> kModels = {{{"TOYOTA", "CAMRY", "4DR"},
                                                                {"FORD", "F-150", "PU"},
                                                                {"HONDA", "CIVIC", "4DR"},
                                                                {"CHEVROLET", "EQUINOX", "SUV"},
                                                                {"NISSAN", "ALTIMA", "4DR"},
                                                                {"JEEP", "WRANGLER", "2DR"},
                                                                {"SUBARU", "OUTBACK", "WAG"},
                                                                {"HYUNDAI", "ELANTRA", "4DR"}}};
constexpr std::array<const char*, 7> kColours = {"WHITE", "BLACK", "SILVER", "RED",
                                                 "BLUE",  "GRAY",  "GREEN"};
constexpr char kVinCharacters[] = "0123456789ABCDEFGHJKLMNPRSTUVWXYZ";

std::string Digits(long value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*ld", width, value);
  return text;
}

std::string StockNumber(char prefix, int number) {
  return std::string(1, static_cast<char>(prefix + number / 100000)) + Digits(number % 100000, 5);
}

// Most VINs have 17 characters; older vehicles carry short serial numbers,
// some too short to key a service customer.
std::string Vin(Random& random) {
  int length = 17;
  if (random.Chance(3)) length = 7;
  else if (random.Chance(2)) length = 8;
  std::string vin;
  for (int i = 0; i < length; ++i) vin += kVinCharacters[random.Below(33)];
  return vin;
}

long Cents(Random& random, long low, long high, int zero_percent) {
  if (random.Chance(zero_percent)) return 0;
  const long dollars = random.Between(static_cast<int>(low), static_cast<int>(high));
  return dollars * 100L + random.Between(0, 99);
}

// A zero amount comes as blanks or as an edited zero.
std::string Amount(Random& random, long cents) {
  if (cents == 0) return random.Chance(50) ? "" : AmountColumn(0);
  return AmountColumn(cents);
}

struct Vehicle {
  std::string stock;
  std::string vin;
  std::array<const char*, 3> model;
  std::string year;
  std::string colour;
  bool is_new;
};

Vehicle MakeVehicle(Random& random, std::string stock) {
  Vehicle vehicle{std::move(stock), Vin(random), random.Pick(kModels),
                  Digits(random.Between(2012, 2026), 4), random.Pick(kColours),
                  random.Chance(55)};
  return vehicle;
}

std::vector<std::string> VehicleRow(const Vehicle& v, Random& random) {
  return {v.stock, v.vin, v.year, v.model[0], v.model[1], v.model[2],
          v.is_new ? "     5" : Digits(random.Between(8000, 140000), 6),
          v.colour, v.is_new ? "N" : "U", ""};
}

struct Buyer {
  std::string first, initial, last;
};

Buyer MakeBuyer(Random& random) {
  std::string initial = random.Chance(30) ? " " : std::string(1, static_cast<char>('A' + random.Below(26)));
  return {random.Pick(kFirstNames), initial, random.Pick(kLastNames)};
}

struct Deal {
  FixedRecord first{kDealRecordWidth};
  FixedRecord second{kDealRecordWidth};
};

void PutSalesman(Random& random, Deal& deal) {
  std::string code = Digits(random.Between(1, 12), 2);
  if (random.Chance(6)) code = "  ";
  else if (random.Chance(5)) code = random.Chance(50) ? "HS" : "7a";
  deal.first.Put(19, 2, code);
  deal.first.Put(21, 25, random.Pick(kSalesmen));
}

void PutMoney(Random& random, Deal& deal) {
  Deal& d = deal;
  d.first.Put(46, 8, Amount(random, Cents(random, 9000, 48000, 2)));   // DA 3
  d.first.Put(57, 8, Amount(random, Cents(random, 100, 900, 40)));     // DA 4
  d.first.Put(65, 8, Amount(random, Cents(random, 200, 2500, 30)));    // DA 5, first addend
  d.first.Put(73, 8, Amount(random, Cents(random, 50, 700, 50)));      // DA 5, second addend
  d.first.Put(81, 8, Amount(random, Cents(random, 300, 3000, 50)));    // DA 6
  d.first.Put(109, 8, Amount(random, Cents(random, 100, 1800, 60)));   // DA 9
  d.first.Put(117, 8, Amount(random, Cents(random, 500, 4000, 20)));   // TA
  d.first.Put(125, 8, Amount(random, Cents(random, 1000, 9000, 30)));  // CA 2
  d.first.Put(133, 8, Amount(random, Cents(random, 100, 800, 60)));    // CA 10
  d.first.Put(141, 8, Amount(random, Cents(random, 20, 400, 50)));     // DA and CA 11
  for (int column : {186, 194, 202, 210, 218, 226, 234, 242}) {
    d.first.Put(column, 8, Amount(random, Cents(random, 100, 20000, 45)));
  }
  d.second.Put(1, 8, Amount(random, Cents(random, 50, 900, 50)));  // layout-dependent pair
  d.second.Put(9, 8, Amount(random, Cents(random, 5000, 40000, 25)));  // CP
}

void PutContract(Random& random, Deal& deal) {
  deal.first.Put(54, 3, random.Chance(25) ? "" : Digits(random.Pick(std::array{36, 48, 60, 72}), 3));
  if (random.Chance(40)) return;
  deal.first.Put(149, 35, random.Chance(50) ? "Platinum Powertrain Plan" : "EXTENDED SERVICE AGREEMENT");
  deal.first.Put(184, 2, Digits(random.Pick(std::array{12, 14, 24, 36, 48, 60}), 2));
}

void PutBuyer(Random& random, const Buyer& buyer, Deal& deal) {
  const auto& city = random.Pick(kCities);
  FixedRecord& r = deal.second;
  // Each value is drawn in a statement of its own: the order in which the
  // operands of + are evaluated is up to the compiler, and the same seed
  // must make the same dealership whichever compiled dext-sample.
  const std::string digits = Digits(random.Between(1000, 9999), 4);
  const char letter = static_cast<char>('A' + random.Below(26));
  r.Put(52, 8, std::string(1, letter) + "KV" + digits);
  r.Put(62, 15, buyer.last);
  r.Put(77, 10, buyer.first);
  r.Put(87, 1, buyer.initial);
  const std::string street = random.Pick(kStreets);
  r.Put(88, 30, std::to_string(random.Between(1, 9999)) + " " + street);
  r.Put(118, 15, city[0]);
  r.Put(133, 2, city[1]);
  r.Put(135, 10, city[2]);
  r.Put(145, 3, "555");
  r.Put(148, 4, Digits(random.Between(0, 9999), 4));
  if (random.Chance(60)) {
    r.Put(152, 3, "555");
    r.Put(155, 4, Digits(random.Between(0, 9999), 4));
  }
  r.Put(159, 2, Digits(random.Between(1, 12), 2));
  r.Put(161, 2, Digits(random.Between(1, 28), 2));
}

void PutTradeIn(Random& random, const Vehicle& trade, bool lower_case, Deal& deal) {
  std::string stock = trade.stock;
  if (lower_case) {
    for (char& c : stock) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  deal.first.Put(89, 6, stock);
  deal.first.Put(95, 8, AmountColumn(Cents(random, 1500, 22000, 0)));
  FixedRecord& r = deal.second;
  r.Put(163, 17, trade.vin);
  r.Put(180, 4, trade.year);
  r.Put(184, 10, trade.model[0]);
  r.Put(194, 10, trade.model[1]);
  r.Put(204, 5, trade.model[2]);
  r.Put(209, 6, Digits(random.Between(20000, 160000), 6));
  if (random.Chance(85)) r.Put(215, 10, trade.colour);  // else the record ends early
}

std::vector<std::string> CustomerRow(Random& random, const Vehicle& sold, const Buyer& buyer) {
  const std::string key = sold.vin.substr(sold.vin.size() - 8);
  const bool serviced = random.Chance(60);
  const std::string street = random.Pick(kStreets);  // drawn first, as in PutBuyer
  const std::string address = std::to_string(random.Between(1, 9999)) + " " + street;
  return {key,
          buyer.last.substr(0, 3) + key.substr(2),
          buyer.first + " " + buyer.initial + " " + buyer.last,
          address,
          random.Chance(50) ? Digits(random.Between(1, 12), 2) : "00",
          serviced ? Digits(random.Between(1, 12), 2) : "",
          serviced ? Digits(random.Between(1, 28), 2) : "",
          serviced ? "24" : "",
          serviced ? Digits(random.Between(1, 12), 2) : "",
          serviced ? Digits(random.Between(1, 28), 2) : "",
          serviced ? "25" : "",
          serviced ? Digits(random.Between(5000, 90000), 6) : "",
          random.Chance(30) ? "27" : ""};
}

}  // namespace

SampleDealership MakeSampleDealership(const SampleOptions& options) {
  if (options.deals < 0 || options.vehicles < options.deals) {
    throw std::invalid_argument("--vehicles must be at least --deals");
  }
  Random random(options.seed);
  SampleDealership shop;
  shop.vehicles.header = {"STKNO", "VIN", "YEAR", "MAK", "MODEL", "BODY", "MILES", "COL", "NU", "ACT"};
  shop.customers.header = {"VENO", "ACNO", "NAME", "ADDRS", "INSMO", "FUMO", "FUDAY",
                           "FUYR", "LSMO", "LSDAY", "LSYR", "LSODOM", "SCEY"};
  shop.accounting.header = {"STKNO", "DELMO", "DELDAY", "DELYR", "SM", "SMNM", "LN1", "FN1",
                            "MI1", "DA.3", "CA.3"};
  std::vector<Vehicle> stock;
  stock.reserve(static_cast<size_t>(options.vehicles));
  for (int i = 0; i < options.vehicles; ++i) {
    stock.push_back(MakeVehicle(random, StockNumber('A', i)));
    shop.vehicles.rows.push_back(VehicleRow(stock.back(), random));
  }
  int next_unsold = options.deals;
  for (int i = 0; i < options.deals; ++i) {
    const Vehicle& sold = stock[static_cast<size_t>(i)];
    const Buyer buyer = MakeBuyer(random);
    Deal deal;
    deal.first.Put(1, 6, sold.stock);
    const int month = random.Between(1, 12);
    deal.first.Put(7, 6, Digits(month, 2) + Digits(random.Between(1, 28), 2) + "26");
    std::string miles = "     5";
    if (!sold.is_new) {
      const std::string digits = Digits(random.Between(8000, 99999), 5);  // drawn first
      miles = (random.Chance(50) ? "0" : " ") + digits;
    }
    deal.first.Put(13, 6, miles);
    PutSalesman(random, deal);
    PutMoney(random, deal);
    PutContract(random, deal);
    PutBuyer(random, buyer, deal);
    if (random.Chance(60)) {
      // Some trade-ins are already in the inventory (taken in before).
      const bool known = random.Chance(15) && next_unsold < options.vehicles;
      const Vehicle trade = known ? stock[static_cast<size_t>(next_unsold++)]
                                  : MakeVehicle(random, StockNumber('T', i));
      PutTradeIn(random, trade, random.Chance(10), deal);
    }
    if (sold.vin.size() >= 8 && random.Chance(25)) {
      shop.customers.rows.push_back(CustomerRow(random, sold, buyer));
    }
    if (random.Chance(4)) {
      shop.accounting.rows.push_back({sold.stock, "01", "15", "26", "03", "EARLIER POSTING",
                                      "PRIOR", "BUYER", " ", "1000.00", "1000.00"});
    }
    shop.deal_records.push_back(deal.first.Text());
    shop.deal_records.push_back(deal.second.Text());
  }
  return shop;
}

std::string CsvText(const Table& table) {
  auto cell = [](const std::string& value) {
    if (value.find_first_of(",\"\n") == std::string::npos) return value;
    std::string quoted = "\"";
    for (char c : value) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
  };
  auto line = [&](const std::vector<std::string>& values) {
    std::string text;
    for (size_t i = 0; i < values.size(); ++i) text += (i ? "," : "") + cell(values[i]);
    return text + "\n";
  };
  std::string text = line(table.header);
  for (const auto& row : table.rows) text += line(row);
  return text;
}

}  // namespace sample

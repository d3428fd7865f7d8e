// A sample dealership: the vehicle inventory, the known service customers, a
// few accounting records already posted, and a deal file of realistic deals
// that exercise every column of the transfer. Deterministic for a seed.
#ifndef DEXT_TOOLS_DEXT_SAMPLE_SAMPLE_DEALERSHIP_H_
#define DEXT_TOOLS_DEXT_SAMPLE_SAMPLE_DEALERSHIP_H_

#include <cstdint>
#include <string>
#include <vector>

namespace sample {

struct SampleOptions {
  int deals = 12;
  int vehicles = 60;
  uint64_t seed = 1;
};

// Rows of a keyed record file, as kvbtool load takes them: the header names
// the fields (a repeating field's occurrence as NAME.n).
struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

struct SampleDealership {
  Table vehicles;    // KVIN
  Table customers;   // KCU
  Table accounting;  // KJRVH
  std::vector<std::string> deal_records;  // DEXT.DAT, two records a deal
};

// Needs vehicles >= deals (every sold vehicle is in the inventory); throws
// std::invalid_argument otherwise.
SampleDealership MakeSampleDealership(const SampleOptions& options);

// The table as CSV text (fields with a comma or quote are quoted).
std::string CsvText(const Table& table);

}  // namespace sample

#endif  // DEXT_TOOLS_DEXT_SAMPLE_SAMPLE_DEALERSHIP_H_

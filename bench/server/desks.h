// The desks of server_bench: each a process of its own (forked), doing its
// share of the deals, either with dext's transfer or with a minimal libpq
// program; each reports its round trips to the server.
#ifndef DEXT_BENCH_SERVER_DESKS_H_
#define DEXT_BENCH_SERVER_DESKS_H_

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tools/dext-sample/sample_dealership.h"

struct DeskTotals {
  double seconds;    // from the first start to the last end
  long round_trips;  // of all desks
};

// Runs desk(i) for i < desks, each in a child process, all at once; desk
// returns its round trips. Ends the benchmark when a desk fails.
DeskTotals RunDesks(int desks, const std::function<long(int desk)>& desk);

// The transfer in work folder `folder` (dext's own code, headless, on the
// real libkvb; the store from KVB_STORE_F/KVB_DRIVE_F). Its round trips, or
// -1 when it did not transfer every deal.
long DextDesk(const std::filesystem::path& folder);

// The minimal program's tables on database conninfo, with the sample's
// records as wide as the layouts'.
void LoadPlain(const std::string& conninfo, const sample::SampleDealership& shop);

// Deals [first, first + count) of deal_records (two records a deal), each
// one transaction of prepared statements: the same reads and writes as the
// transfer. Its round trips, or -1 on a failure.
long PlainDesk(const std::string& conninfo, const std::vector<std::string>& deal_records,
               int first, int count);

#endif  // DEXT_BENCH_SERVER_DESKS_H_

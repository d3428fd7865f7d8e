// The whole transfer into a PostgreSQL server (a throwaway one on a Unix
// socket, started here, with fsync on), from 1, 2 and 4 desks at once, next
// to a minimal libpq program doing the same reads and writes with prepared
// statements, one transaction a deal. Each desk is a process of its own
// transferring its share of the deals. The two sides run in pairs, taking
// turns at going first, each run on fresh databases; per desk count it prints
// each side's time, round trips and server WAL syncs a deal, and the ratio of
// the pairs (min/median/max). Then one desk far from its server: the same
// transfer through a relay that holds every byte 15 ms each way.
//
//   server_bench [--deals N] [--rounds R] [--far-deals M]
//     N deals per desk (default 200), R pairs (default 3), M deals far (100)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <libpq-fe.h>

#include "bench/server/desks.h"
#include "testing/pg_server.h"
#include "testing/stall_relay.h"
#include "tools/dext-sample/sample_dealership.h"

namespace fs = std::filesystem;
using kvb::test::PgServer;

namespace {

struct Options {
  int deals = 200;
  int rounds = 3;
  int far_deals = 100;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    int* value = arg == "--deals" ? &options.deals
                 : arg == "--rounds" ? &options.rounds
                 : arg == "--far-deals" ? &options.far_deals
                                        : nullptr;
    if (value != nullptr && i + 1 < argc) {
      *value = std::max(1, std::atoi(argv[++i]));
      continue;
    }
    std::printf("usage: server_bench [--deals N] [--rounds R] [--far-deals M]\n");
    std::exit(arg == "--help" ? 0 : 64);
  }
  return options;
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::string Scalar(const std::string& conninfo, const std::string& sql) {
  const std::string value = PgServer::Query(conninfo, sql);
  if (value.starts_with("ERROR")) {
    std::fprintf(stderr, "%s: %s\n", sql.c_str(), value.c_str());
    std::exit(1);
  }
  return value;
}

// The server's WAL syncs so far (every process of the cluster).
long WalSyncs(const PgServer& server) {
  return std::atol(Scalar(server.Conninfo("postgres"), "SELECT wal_sync FROM pg_stat_wal").c_str());
}

// A sample dealership with desks * deals deals on the server of conninfo (a
// new database), its deal file split into one work folder per desk.
std::vector<fs::path> MakeDealership(const fs::path& root, const std::string& conninfo,
                                     int desks, int deals) {
  setenv("KVB_STORE_F", conninfo.c_str(), 1);
  setenv("KVB_DRIVE_F", (root / "F").c_str(), 1);
  const std::string make = std::string(DEXT_SAMPLE_PATH) + " " + root.string() + " --deals " +
                           std::to_string(desks * deals) + " --vehicles " +
                           std::to_string(desks * deals * 3) + " --seed 1 >/dev/null";
  if (Shell(make) != 0) {
    std::fprintf(stderr, "dext-sample failed\n");
    std::exit(1);
  }
  std::vector<std::string> records;
  std::ifstream in(root / "work" / "DEXT.DAT", std::ios::binary);
  for (std::string line; std::getline(in, line);) records.push_back(line + "\n");
  std::vector<fs::path> folders;
  for (int desk = 0; desk < desks; ++desk) {
    const fs::path folder = root / ("desk" + std::to_string(desk));
    fs::create_directories(folder);
    fs::copy_file(root / "work" / "DEX2GL.DAT", folder / "DEX2GL.DAT");
    std::ofstream out(folder / "DEXT.DAT", std::ios::binary);
    for (int r = 2 * desk * deals; r < 2 * (desk + 1) * deals; ++r) out << records[r];
    folders.push_back(folder);
  }
  return folders;
}

struct Run {
  double seconds;
  double round_trips_per_deal;
  double syncs_per_deal;
};

// Runs desk(i) in one process per desk at once; the time until the last has
// ended, and what they did a deal.
Run AtOnce(const PgServer& server, int desks, int deals, const std::function<long(int)>& desk) {
  const long syncs_before = WalSyncs(server);
  const DeskTotals totals = RunDesks(desks, desk);
  const double all_deals = static_cast<double>(desks) * deals;
  return {totals.seconds, static_cast<double>(totals.round_trips) / all_deals,
          static_cast<double>(WalSyncs(server) - syncs_before) / all_deals};
}

// The transfer, one dext per desk; dext's store is reached through
// transfer_conninfo (the relay, when far).
Run DextRun(PgServer& server, const fs::path& root, int desks, int deals,
            const std::function<std::string(const std::string&)>& transfer_conninfo) {
  const std::string database = server.NewDatabase();
  const std::vector<fs::path> folders = MakeDealership(root, database, desks, deals);
  setenv("KVB_STORE_F", transfer_conninfo(database).c_str(), 1);
  const Run run = AtOnce(server, desks, deals, [&](int i) { return DextDesk(folders[i]); });
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return run;
}

Run PlainRun(PgServer& server, const sample::SampleDealership& shop, int desks, int deals,
             const std::function<std::string(const std::string&)>& conninfo) {
  const std::string database = server.NewDatabase();
  LoadPlain(database, shop);
  return AtOnce(server, desks, deals, [&](int i) {
    return PlainDesk(conninfo(database), shop.deal_records, i * deals, deals);
  });
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Spread(const std::vector<double>& values, const char* format) {
  char text[128];
  std::snprintf(text, sizeof text, format, *std::min_element(values.begin(), values.end()),
                Median(values), *std::max_element(values.begin(), values.end()));
  return text;
}

std::string Direct(const std::string& conninfo) { return conninfo; }

// Pairs of runs with desks desks: the ratio of dext's time to the minimal
// program's, min/median/max. Returns the median of dext's deals a second.
double ComparePairs(PgServer& server, const fs::path& scratch, const Options& options, int desks) {
  const sample::SampleDealership shop =
      sample::MakeSampleDealership({desks * options.deals, desks * options.deals * 3, 1});
  std::vector<double> ratios, dext_rates, plain_rates;
  Run dext{}, plain{};
  for (int round = 0; round < options.rounds; ++round) {
    const fs::path root = scratch / ("desks" + std::to_string(desks) + "-" + std::to_string(round));
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn + round) % 2 == 0) {
        dext = DextRun(server, root, desks, options.deals, Direct);
      } else {
        plain = PlainRun(server, shop, desks, options.deals, Direct);
      }
    }
    ratios.push_back(dext.seconds / plain.seconds);
    dext_rates.push_back(desks * options.deals / dext.seconds);
    plain_rates.push_back(desks * options.deals / plain.seconds);
  }
  std::printf("  %d desk%s, %d deals: dext %s deals/s, %5.2f round trips, %5.2f WAL syncs a deal\n",
              desks, desks == 1 ? " " : "s", desks * options.deals,
              Spread(dext_rates, "%.0f/%.0f/%.0f").c_str(), dext.round_trips_per_deal,
              dext.syncs_per_deal);
  std::printf("%26s minimal %s deals/s, %5.2f round trips, %5.2f WAL syncs a deal\n", "",
              Spread(plain_rates, "%.0f/%.0f/%.0f").c_str(), plain.round_trips_per_deal,
              plain.syncs_per_deal);
  std::printf("%26s dext's time / minimal's, min/median/max of %d pairs: %s (goal: at most "
              "1.10)\n",
              "", options.rounds, Spread(ratios, "%.2f/%.2f/%.2f").c_str());
  return Median(dext_rates);
}

// The round trips of a deal alone, without those of the start (connecting,
// opening the files, claiming the deal file): runs of 1 and 21 deals apart.
void DealRoundTrips(PgServer& server, const fs::path& scratch) {
  double dext[2], plain[2];
  const int deals[2] = {1, 21};
  for (int i = 0; i < 2; ++i) {
    dext[i] = deals[i] * DextRun(server, scratch / "alone", 1, deals[i], Direct)
                             .round_trips_per_deal;
    plain[i] = deals[i] * PlainRun(server, sample::MakeSampleDealership({deals[i], 3 * deals[i], 1}),
                                   1, deals[i], Direct)
                              .round_trips_per_deal;
  }
  std::printf("  round trips of a deal itself (start left out): dext %.2f (goal: at most 4), "
              "minimal %.2f\n",
              (dext[1] - dext[0]) / (deals[1] - deals[0]),
              (plain[1] - plain[0]) / (deals[1] - deals[0]));
}

// One desk 30 ms (a round trip) from its server.
void Far(PgServer& server, const fs::path& scratch, const Options& options) {
  kvb::test::StallRelay relay(server.folder() + "/.s.PGSQL.5432", std::chrono::milliseconds(15));
  if (!relay.listening()) {
    std::fprintf(stderr, "the relay could not listen\n");
    std::exit(1);
  }
  const auto far = [&](const std::string& conninfo) {
    return relay.Conninfo(conninfo.substr(conninfo.rfind('=') + 1));
  };
  const Run dext = DextRun(server, scratch / "far", 1, options.far_deals, far);
  const Run plain = PlainRun(
      server, sample::MakeSampleDealership({options.far_deals, options.far_deals * 3, 1}), 1,
      options.far_deals, far);
  std::printf("one desk 30 ms a round trip from its server, %d deals:\n", options.far_deals);
  std::printf("  dext    %6.2f s (goal: under 15 s), %5.2f round trips a deal\n", dext.seconds,
              dext.round_trips_per_deal);
  std::printf("  minimal %6.2f s, %5.2f round trips a deal\n", plain.seconds,
              plain.round_trips_per_deal);
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  PgServer& server = PgServer::Shared();
  if (!server.running()) {
    std::fprintf(stderr, "no PostgreSQL server: %s\n", server.error().c_str());
    return 1;
  }
  // The test server runs without fsync; these figures need the disk's syncs.
  const std::string admin = server.Conninfo("postgres");
  Scalar(admin, "ALTER SYSTEM SET fsync = on");
  Scalar(admin, "SELECT pg_reload_conf()");
  for (int tries = 0; Scalar(admin, "SHOW fsync") != "on"; ++tries) {
    if (tries == 50) {
      std::fprintf(stderr, "the server would not turn fsync on\n");
      return 1;
    }
    usleep(100000);
  }
  char pattern[] = "/tmp/dext-server-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path scratch = pattern;
  setenv("KVBTOOL", KVBTOOL_PATH, 1);
  std::printf("transfer into one PostgreSQL server (fsync %s, synchronous_commit %s); "
              "deals/s min/median/max\n",
              Scalar(admin, "SHOW fsync").c_str(), Scalar(admin, "SHOW synchronous_commit").c_str());
  DealRoundTrips(server, scratch);
  std::vector<double> medians;
  for (int desks : {1, 2, 4}) medians.push_back(ComparePairs(server, scratch, options, desks));
  std::printf("  dext with 4 desks: %.2fx the deals a second of 2 desks (goal: more than 1)\n",
              medians[2] / medians[1]);
  Far(server, scratch, options);
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return 0;
}

// dext-sample DIR [--deals N] [--vehicles M] [--seed S]: builds a sample
// dealership to run DEXT on. DIR/F is drive F: with the layouts under
// F:\KD\FF and the record files under F:\DLR; DIR/work holds DEXT.DAT and the
// saved destination DEX2GL.DAT naming F:\DLR.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/dext-sample/sample_dealership.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr char kUsage[] =
    "usage: dext-sample DIR [--deals N] [--vehicles M] [--seed S] [--layouts DIR]\n"
    "\n"
    "Builds a sample dealership in DIR:\n"
    "  DIR/F/KD/FF/   record layouts KVIN.FID KJRVH.FID KJRTH.FID KCU.FID\n"
    "  DIR/F/DLR/     KVIN.DAT (M vehicles), KCU.DAT, KJRVH.DAT\n"
    "  DIR/work/      DEXT.DAT (N deals) and DEX2GL.DAT naming F:\\DLR\n"
    "Defaults: 12 deals, 60 vehicles, seed 1. The same seed gives the same files.\n"
    "kvbtool is taken from $KVBTOOL, else beside this program's build, else PATH.\n";

struct Arguments {
  fs::path directory;
  sample::SampleOptions options;
  fs::path layouts = DEXT_SAMPLE_LAYOUTS;
};

long NumberArgument(const std::string& option, const char* text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || value < 0) {
    throw std::invalid_argument(option + " needs a whole number, not '" + text + "'");
  }
  return value;
}

Arguments ParseArguments(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      std::exit(0);
    }
    if (arg.rfind("--", 0) == 0) {
      if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
      const char* value = argv[++i];
      if (arg == "--deals") arguments.options.deals = static_cast<int>(NumberArgument(arg, value));
      else if (arg == "--vehicles") arguments.options.vehicles = static_cast<int>(NumberArgument(arg, value));
      else if (arg == "--seed") arguments.options.seed = static_cast<uint64_t>(NumberArgument(arg, value));
      else if (arg == "--layouts") arguments.layouts = value;
      else throw std::invalid_argument("unknown option " + arg);
    } else if (arguments.directory.empty()) {
      arguments.directory = arg;
    } else {
      throw std::invalid_argument("more than one DIR given");
    }
  }
  if (arguments.directory.empty()) throw std::invalid_argument("DIR is missing");
  if (arguments.options.vehicles < arguments.options.deals) {
    throw std::invalid_argument("--vehicles must be at least --deals (every sold vehicle is stocked)");
  }
  return arguments;
}

std::string KvbtoolPath() {
  if (const char* configured = std::getenv("KVBTOOL")) return configured;
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error) {
    const fs::path beside = self.parent_path().parent_path() / "kvbtool" / "kvbtool";
    if (fs::exists(beside, error)) return beside.string();
  }
  return "kvbtool";
}

void RunKvbtool(const std::vector<std::string>& words) {
  std::vector<std::string> all = {KvbtoolPath()};
  all.insert(all.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : all) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    throw std::runtime_error("cannot run " + all[0] + " (set KVBTOOL to its path)");
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("kvbtool " + words[0] + " " + words[1] + " failed");
  }
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void MakeKeyedFile(const fs::path& data, const fs::path& layout, const sample::Table& table) {
  fs::remove(data);
  RunKvbtool({"create", data.string(), layout.string()});
  if (table.rows.empty()) return;
  const fs::path csv = data.string() + ".csv";
  WriteFile(csv, sample::CsvText(table));
  RunKvbtool({"load", data.string(), csv.string()});
  fs::remove(csv);
}

void BuildDealership(const Arguments& arguments) {
  const sample::SampleDealership shop = sample::MakeSampleDealership(arguments.options);
  const fs::path drive = arguments.directory / "F";
  const fs::path layouts = drive / "KD" / "FF";
  const fs::path data = drive / "DLR";
  const fs::path work = arguments.directory / "work";
  for (const fs::path& folder : {layouts, data, work}) fs::create_directories(folder);
  for (const char* name : {"KVIN.FID", "KJRVH.FID", "KJRTH.FID", "KCU.FID"}) {
    fs::copy_file(arguments.layouts / name, layouts / name, fs::copy_options::overwrite_existing);
  }
  MakeKeyedFile(data / "KVIN.DAT", layouts / "KVIN.FID", shop.vehicles);
  MakeKeyedFile(data / "KCU.DAT", layouts / "KCU.FID", shop.customers);
  MakeKeyedFile(data / "KJRVH.DAT", layouts / "KJRVH.FID", shop.accounting);
  std::string deals;
  for (const std::string& record : shop.deal_records) deals += record + "\r\n";
  WriteFile(work / "DEXT.DAT", deals);
  WriteFile(work / "DEX2GL.DAT", "F:\\DLR              \r\n");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Arguments arguments = ParseArguments(argc, argv);
    BuildDealership(arguments);
    const fs::path root = fs::absolute(arguments.directory);
    std::cout << "Sample dealership in " << root.string() << ": " << arguments.options.deals
              << " deals, " << arguments.options.vehicles << " vehicles (seed "
              << arguments.options.seed << ").\n"
              << "Run DEXT on it:\n"
              << "  cd " << (root / "work").string() << "\n"
              << "  KVB_DRIVE_F=" << (root / "F").string() << " dext\n"
              << "Then look at the postings:\n"
              << "  KVB_DRIVE_F=" << (root / "F").string()
              << " kvbtool dump 'F:\\DLR\\KJRVH.DAT'   (also KCU.DAT, KVIN.DAT)\n";
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "dext-sample: " << error.what() << "\n";
    if (std::string(error.what()).find("kvbtool") == std::string::npos) std::cerr << kUsage;
    return 2;
  }
}

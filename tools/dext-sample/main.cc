// dext-sample DIR [--deals N] [--vehicles M] [--seed S] [--force]: builds a
// sample dealership to run DEXT on. DIR/F is drive F: with the layouts under
// F:\KD\FF and the record files under F:\DLR; DIR/work holds DEXT.DAT and the
// saved destination DEX2GL.DAT naming F:\DLR. The dealership is built in a
// temporary folder beside DIR and then put in place, so a failure while
// building leaves DIR as it was. With KVB_STORE_F the keyed files go to
// that record server, under temporary names until the end
// (server_files.h).
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "tools/dext-sample/sample_dealership.h"
#include "tools/dext-sample/server_files.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr char kUsage[] =
    "usage: dext-sample DIR [--deals N] [--vehicles M] [--seed S] [--layouts DIR] [--force]\n"
    "\n"
    "Builds a sample dealership in DIR:\n"
    "  DIR/F/KD/FF/   record layouts KVIN.FID KJRVH.FID KJRTH.FID KCU.FID\n"
    "  DIR/F/DLR/     KVIN.DAT (M vehicles), KCU.DAT, KJRVH.DAT\n"
    "  DIR/work/      DEXT.DAT (N deals) and DEX2GL.DAT naming F:\\DLR\n"
    "Defaults: 12 deals, 60 vehicles, seed 1. The same seed gives the same files.\n"
    "DIR must be new or empty; with --force the dealership's files replace their\n"
    "namesakes in DIR and the rest stays. A failure while building leaves DIR as\n"
    "it was. The layouts come from --layouts, else the installed ones.\n"
    "With KVB_STORE_F set, the keyed files go to that record server: one there\n"
    "already stops the build unless --force, which replaces it; a failed build\n"
    "leaves nothing there.\n"
    "kvbtool is taken from $KVBTOOL, else beside this program, else PATH.\n"
    "Exit status: 0 made, 1 could not be made, 64 wrong usage.\n";

// A failure to make the dealership (exit status 1), as against wrong usage.
struct BuildError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// This program's own folder, empty when the system does not say.
fs::path OwnFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : self.parent_path();
}

// The installed layouts (relative to the installed program), else those of
// the source tree this program was built from.
fs::path DefaultLayouts() {
  std::error_code error;
  const fs::path installed = OwnFolder() / DEXT_SAMPLE_INSTALLED_LAYOUTS;
  if (!OwnFolder().empty() && fs::is_directory(installed, error)) return installed;
  return DEXT_SAMPLE_LAYOUTS;
}

struct Arguments {
  fs::path directory;
  sample::SampleOptions options;
  fs::path layouts;
  bool force = false;
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
  const std::vector<platform::KnownOption> options = {
      {"deals", 0, true},  {"vehicles", 0, true}, {"seed", 0, true},    {"layouts", 0, true},
      {"force", 0, false}, {"help", 'h', false},  {"version", 0, false}};
  platform::CommandLine line;
  std::string problem;
  if (!platform::ParseCommandLine(argc, argv, options, {}, &line, &problem)) {
    throw std::invalid_argument(problem);
  }
  if (line.Has("help")) {
    std::cout << kUsage;
    std::exit(0);
  }
  if (line.Has("version")) {
    std::cout << "dext-sample " << DEXT_VERSION << "\n";
    std::exit(0);
  }
  Arguments arguments;
  for (const auto& [name, value] : line.options) {
    const auto number = [&, &name = name, &value = value] {
      return NumberArgument("--" + name, value.c_str());
    };
    if (name == "force") {
      arguments.force = true;
    } else if (name == "deals") {
      arguments.options.deals = static_cast<int>(number());
    } else if (name == "vehicles") {
      arguments.options.vehicles = static_cast<int>(number());
    } else if (name == "seed") {
      arguments.options.seed = static_cast<uint64_t>(number());
    } else if (name == "layouts") {
      arguments.layouts = value;
    }
  }
  if (line.operands.size() > 1) throw std::invalid_argument("more than one DIR given");
  if (!line.operands.empty()) arguments.directory = line.operands[0];
  if (arguments.directory.empty()) throw std::invalid_argument("DIR is missing");
  if (arguments.layouts.empty()) arguments.layouts = DefaultLayouts();
  if (arguments.options.vehicles < arguments.options.deals) {
    throw std::invalid_argument("--vehicles must be at least --deals (every sold vehicle is stocked)");
  }
  return arguments;
}

// $KVBTOOL; else kvbtool in this program's folder (installed), or in the
// build tree's tools/kvbtool; else the one PATH finds.
std::string KvbtoolPath() {
  if (const char* configured = std::getenv("KVBTOOL")) return configured;
  const fs::path own = OwnFolder();
  if (own.empty()) return "kvbtool";
  std::error_code error;
  for (const fs::path& beside : {own / "kvbtool", own.parent_path() / "kvbtool" / "kvbtool"}) {
    if (fs::is_regular_file(beside, error)) return beside.string();
  }
  return "kvbtool";
}

// Runs kvbtool with the words, its output discarded when quiet (and its
// errors too unless show_errors); its exit status.
int KvbtoolStatus(const std::vector<std::string>& words, bool quiet, bool show_errors) {
  std::vector<std::string> all = {KvbtoolPath()};
  all.insert(all.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : all) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  if (!show_errors) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw BuildError("cannot run " + all[0] + " (set KVBTOOL to its path)");
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void RunKvbtool(const std::vector<std::string>& words) {
  if (KvbtoolStatus(words, false, true) != 0) {
    throw BuildError("kvbtool " + words[0] + " " + words[1] + " failed");
  }
}

// The dealership's keyed files, as made on drive F:.
const std::vector<std::string> kKeyedFiles = {"F:\\DLR\\KVIN.DAT", "F:\\DLR\\KCU.DAT",
                                              "F:\\DLR\\KJRVH.DAT"};

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw BuildError("cannot write " + path.string());
}

// Makes F:\DLR\name from F:\KD\FF\ with the layout of the same name. The
// files are named through drive F:, mapped to the folder being built, so that
// KVB_STORE_F puts their records on a server.
void MakeKeyedFile(const fs::path& drive, const std::string& name, const sample::Table& table) {
  const std::string data = sample::ServerFiles::Building("F:\\DLR\\" + name + ".DAT");
  fs::remove(drive / "DLR" / (name + ".DAT"));
  RunKvbtool({"create", data, "F:\\KD\\FF\\" + name + ".FID"});
  if (table.rows.empty()) return;
  const fs::path csv = drive / "DLR" / (name + ".csv");
  WriteFile(csv, sample::CsvText(table));
  RunKvbtool({"load", data, csv.string()});
  fs::remove(csv);
}

void BuildDealership(const Arguments& arguments, const fs::path& directory) {
  const sample::SampleDealership shop = sample::MakeSampleDealership(arguments.options);
  const fs::path drive = directory / "F";
  const fs::path layouts = drive / "KD" / "FF";
  const fs::path data = drive / "DLR";
  const fs::path work = directory / "work";
  for (const fs::path& folder : {layouts, data, work}) fs::create_directories(folder);
  for (const char* name : {"KVIN.FID", "KJRVH.FID", "KJRTH.FID", "KCU.FID"}) {
    fs::copy_file(arguments.layouts / name, layouts / name, fs::copy_options::overwrite_existing);
  }
  setenv("KVB_DRIVE_F", fs::absolute(drive).c_str(), 1);
  MakeKeyedFile(drive, "KVIN", shop.vehicles);
  MakeKeyedFile(drive, "KCU", shop.customers);
  MakeKeyedFile(drive, "KJRVH", shop.accounting);
  std::string deals;
  for (const std::string& record : shop.deal_records) deals += record + "\r\n";
  WriteFile(work / "DEXT.DAT", deals);
  WriteFile(work / "DEX2GL.DAT", "F:\\DLR              \r\n");
}

// Moves what `from` holds into `to`: folders merge with those already there
// (whatever else they hold stays), files replace their namesakes. A store
// replaces the old one whole: the old one's -wal and -shm go first, or SQLite
// would read the new database through the old one's log.
void MoveInto(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    const fs::path destination = to / entry.path().filename();
    if (entry.is_directory() && fs::is_directory(destination)) {
      MoveInto(entry.path(), destination);
      continue;
    }
    if (entry.path().filename() == "KVBSTORE.DB") {
      fs::remove(destination.string() + "-wal");
      fs::remove(destination.string() + "-shm");
    }
    fs::rename(entry.path(), destination);
  }
}

// Builds the dealership in a new folder beside DIR, then renames it to DIR,
// or, when DIR exists (empty, or with --force), moves its files into DIR.
// A failure while building leaves DIR as it was and removes the new folder.
// The folders of an existing DIR are kept, so a process working in one of
// them (a test's current directory) goes on working there.
void MakeDealership(const Arguments& arguments) {
  const fs::path target = fs::absolute(arguments.directory).lexically_normal();
  const fs::path name = target.has_filename() ? target : target.parent_path();
  std::error_code error;
  const bool exists = fs::exists(name, error);
  if (exists && !fs::is_directory(name, error)) {
    throw BuildError(name.string() + " exists and is not a folder");
  }
  if (exists && !arguments.force && !fs::is_empty(name, error)) {
    throw BuildError(name.string() +
                     " already holds files (--force makes the dealership there anyway)");
  }
  std::string pattern = name.string() + ".partial-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw BuildError("cannot make a folder beside " + name.string() + ": " + std::strerror(errno));
  }
  const fs::path building = pattern;
  sample::ServerFiles server(kKeyedFiles, [](const std::vector<std::string>& words, bool errors) {
    return KvbtoolStatus(words, true, errors);
  });
  const bool on_server = sample::ServerFiles::Wanted();
  try {
    setenv("KVB_DRIVE_F", fs::absolute(building / "F").c_str(), 1);
    if (on_server) server.Prepare(arguments.force);
    BuildDealership(arguments, building);
    if (on_server) server.Place(arguments.force);
    if (exists) {
      MoveInto(building, name);
      fs::remove_all(building);
    } else {
      // mkdtemp made it private; DIR gets the mode mkdir would give it.
      const mode_t mask = umask(0);
      umask(mask);
      fs::permissions(building, static_cast<fs::perms>(0777 & ~mask));
      fs::rename(building, name);
    }
  } catch (const std::runtime_error& failure) {  // filesystem and server failures too
    if (on_server) server.Discard();
    fs::remove_all(building, error);
    throw BuildError(failure.what());
  } catch (...) {
    if (on_server) server.Discard();
    fs::remove_all(building, error);
    throw;
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Arguments arguments = ParseArguments(argc, argv);
    MakeDealership(arguments);
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
  } catch (const BuildError& error) {
    std::cerr << "dext-sample: " << error.what() << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "dext-sample: " << error.what() << "\n" << kUsage;
    return platform::kUsageError;
  }
}

// dext: carries the deals of DEXT.DAT into the dealership's record files.
// main() reads the options, installs the front end, runs Main and then the
// screen's events, and turns the orderly end into the exit status.
#include <chrono>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "records/line_output.h"
#include "transfer/deal_file.h"
#include "platform/command_line.h"
#include "platform/interrupt.h"
#include "session/orderly_end.h"
#include "transfer/run_report.h"
#include "session/start.h"
#include "toolkit/application.h"
#include "toolkit/front_ends.h"
#include "toolkit/headless.h"
#include "toolkit/message_box.h"
#include "transfer/file_system.h"
#include "transfer/transfer.h"

namespace {

constexpr char kUsage[] =
    "Usage: dext [NUMBER]\n"
    "       dext --skipped\n"
    "       dext --preview [--skipped]\n"
    "Carries the deals in DEXT.DAT (current directory) into the dealership's\n"
    "accounting, service customer and vehicle inventory files.\n"
    "\n"
    "  NUMBER     file-number base and handle of the session a calling program\n"
    "             handed over (chained start); omitted or 0: stand-alone start.\n"
    "             It must lie within -32768..32512.\n"
    "  --preview  print deal by deal what a transfer would do now (posted or\n"
    "             skipped, records written or there, a deal that would stop it)\n"
    "             and the journal of what it would post; writes nothing. Exit\n"
    "             status 0 when the transfer would complete, 3 when it would stop\n"
    "  --skipped  transfer the deals kept in DEXT.SKP: those whose vehicle is now\n"
    "             stocked are posted, the rest are kept in DEXT.SKP again\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Files, in the current directory:\n"
    "  DEXT.DAT    the deal file: claimed (renamed to DEXT-<claim>.RUN) before it\n"
    "              is read, and deleted once every deal is transferred; a run that\n"
    "              stops leaves the claimed file for the next run\n"
    "  DEX2GL.DAT  the saved drive and path of the accounting data: read, and\n"
    "              written when they are entered\n"
    "  DEXT.SKP    deals skipped for want of an inventory record are appended;\n"
    "              dext --skipped transfers them once their vehicles are stocked\n"
    "  DEXT.LOG    each run appends what it posted and how it ended\n"
    "  DEXTJNL-<claim>-<deal>.CSV  the journal of a run: each deal it posted with\n"
    "              its accounting lines' amounts, and their totals\n"
    "In the accounting folder: KVIN.DAT, KJRVH.DAT (or KJRTH.DAT) and KCU.DAT are\n"
    "read and written; DEXTRUNS.DAT, the progress of each claimed deal file, is\n"
    "made there on first use. Their records are in that folder's KVBSTORE.DB.\n"
    "\n"
    "Environment: DEXT_UI=window|terminal|headless chooses the front end;\n"
    "KVB_DRIVE_X names the folder of drive X:; DEXT_PRINTER names the printer file\n"
    "(a run prints its journal there; a preview prints it there, else on standard\n"
    "output);\n"
    "DEXT_LOCK_WAIT: seconds a headless run waits for a vehicle in use elsewhere\n"
    "(default 60); KVB_SERVER_WAIT: seconds a call waits for a record server\n"
    "(default 30).\n"
    "\n"
    "Exit status: 0 transferred, 1 nothing to transfer, 2 cancelled, 3 failed,\n"
    "64 bad command line, 69 the chosen screen cannot be used (DISPLAY, TERM),\n"
    "74 the summary line could not be written.\n";

// How long a headless run waits for a vehicle another workstation holds.
constexpr int kDefaultLockWait = 60;

// What the toolkit shows and reads for dext: the title of a box that has
// none of its own, the window's class, DEXT_UI (the front end) and
// DEXT_KEYS (the keys of a headless run).
toolkit::Application DextApplication() {
  toolkit::Application application;
  application.title = "DEXT";
  application.window_class = "dext";
  application.front_end_variable = "DEXT_UI";
  application.key_script_variable = "DEXT_KEYS";
  return application;
}

int UsageError(const std::string& problem) {
  std::cerr << "dext: " << problem << "\nTry 'dext --help'.\n";
  return static_cast<int>(dext::ExitStatus::kUsage);
}

// Reads dext's options and operands. A negative number is an operand (a
// file-number base), never an option.
bool ReadCommandLine(int argc, char** argv, platform::CommandLine* arguments,
                     std::string* problem) {
  const std::vector<platform::KnownOption> options = {
      {"help", 'h', false}, {"version", 0, false}, {"preview", 0, false}, {"skipped", 0, false}};
  platform::CommandLineRules rules;
  rules.negative_numbers_are_operands = true;
  return platform::ParseCommandLine(argc, argv, options, rules, arguments, problem);
}

constexpr char kDestinationNeeded[] =
    "dext: the drive and path of the accounting data are needed: run dext in a\n"
    "terminal or a window to enter them, or save them in DEX2GL.DAT\n";

// The file DEXT_PRINTER names, when set: where a run prints its journal.
bool PrinterNamed() {
  const char* printer = std::getenv("DEXT_PRINTER");
  return printer != nullptr && *printer != '\0';
}

// dext --preview: headless whatever the screen, since it asks nothing; error
// boxes go to standard error, the deals and the summary to standard output.
int RunPreview(const dext::TransferSettings& settings) {
  toolkit::HeadlessFrontEnd front_end;
  toolkit::SetFrontEnd(&front_end);
  dext::FileSystem& files = dext::PosixFiles();
  dext::RunReport report(files);
  dext::ToolkitRunScreen screen;
  dext::TransferDriver driver(files, report, screen, settings);
  dext::PreviewEnd end;
  try {
    dext::StartSession("");
    end = driver.Preview(std::cout, dext::LinePrinter());
  } catch (const dext::ProgramEnd& program_end) {
    end.status = program_end.status;
  } catch (const dext::Stop& stop) {
    end.status =
        dext::EndOnStop(dext::StopText(stop, "Nothing was previewed: fix this and preview again."));
  }
  toolkit::SetFrontEnd(nullptr);
  if (end.destination_missing) std::cerr << kDestinationNeeded;
  if (end.summary.empty()) {
    end.summary = end.status == dext::ExitStatus::kNothingToTransfer
                      ? "No deal file: nothing to preview."
                      : "Nothing was previewed.";
  }
  report.Previewed(end.summary);
  std::cout << end.summary << std::endl;
  if (!std::cout.good()) return static_cast<int>(dext::ExitStatus::kOutputFailed);
  return static_cast<int>(end.status);
}

// Runs the program on an installed front end until it ends in order.
[[noreturn]] void Run(const std::string& command_line, bool headless,
                      dext::TransferDriver& driver) {
  driver.RegisterProcedures();
  dext::Main(command_line, driver);
  toolkit::RunEventLoop();
  // No more input and the program has not ended: the transfer screen is
  // waiting for the destination that nobody can type.
  if (headless) {
    std::cerr << kDestinationNeeded;
    dext::EndProgram(dext::ExitStatus::kFailed);
  }
  dext::EndProgram(dext::ExitStatus::kCancelled);  // the screen was closed
}

}  // namespace

int main(int argc, char** argv) {
  platform::CommandLine arguments;
  std::string problem;
  if (!ReadCommandLine(argc, argv, &arguments, &problem)) return UsageError(problem);
  if (arguments.Has("help")) {
    std::cout << kUsage;
    return 0;
  }
  if (arguments.Has("version")) {
    std::cout << "dext " << DEXT_VERSION << "\n";
    return 0;
  }
  dext::TransferSettings settings;
  if (arguments.Has("skipped")) settings.new_deal_file = dext::kSkippedDealsName;
  if (arguments.Has("preview")) {
    if (!arguments.operands.empty()) {
      return UsageError("--preview takes no NUMBER: it previews a stand-alone start");
    }
    return RunPreview(settings);
  }
  std::string command_line;
  for (size_t i = 0; i < arguments.operands.size(); ++i) {
    command_line += (i > 0 ? " " : "") + arguments.operands[i];
  }
  if (!dext::FileBaseFromCommandLine(command_line)) {
    return UsageError("the number '" + command_line + "' is outside -32768..32512");
  }

  std::chrono::seconds lock_wait{kDefaultLockWait};
  if (const char* setting = std::getenv("DEXT_LOCK_WAIT")) {
    char* end = nullptr;
    const long seconds = std::strtol(setting, &end, 10);
    if (*setting == '\0' || *end != '\0' || seconds < 0 || seconds > 86400) {
      return UsageError(std::string("DEXT_LOCK_WAIT='") + setting +
                        "' is not a number of seconds from 0 to 86400");
    }
    lock_wait = std::chrono::seconds(seconds);
  }

  std::unique_ptr<toolkit::FrontEnd> front_end;
  try {
    front_end = toolkit::CreateFrontEnd(DextApplication());
  } catch (const toolkit::FrontEndUnavailable& problem) {
    std::cerr << "dext: " << problem.what() << "\n";
    return static_cast<int>(dext::ExitStatus::kUnavailable);
  } catch (const std::exception& problem) {
    return UsageError(problem.what());
  }
  toolkit::SetFrontEnd(front_end.get());
  auto* headless_front_end = dynamic_cast<toolkit::HeadlessFrontEnd*>(front_end.get());
  bool headless = headless_front_end != nullptr;
  // Nobody answers a headless box: a locked vehicle is retried once a second
  // for DEXT_LOCK_WAIT seconds, then the transfer stops.
  if (headless) settings.unattended_lock_wait = lock_wait;
  dext::FileSystem& files = dext::PosixFiles();
  dext::RunReport report(files);
  if (PrinterNamed()) report.PrintJournalOn(&dext::LinePrinter());
  dext::ToolkitRunScreen screen;
  dext::TransferDriver driver(files, report, screen, settings);
  int status = static_cast<int>(dext::ExitStatus::kFailed);
  platform::WatchInterrupt();
  try {
    Run(command_line, headless, driver);
  } catch (const dext::ProgramEnd& end) {
    status = static_cast<int>(end.status);
  } catch (const dext::Stop& stop) {
    status = static_cast<int>(driver.EndOnStop(stop));
  } catch (const std::exception& problem) {
    toolkit::SetFrontEnd(nullptr);
    front_end.reset();
    std::cerr << "dext: " << problem.what() << "\n";
    return status;
  }
  const std::string summary = report.Finish(static_cast<dext::ExitStatus>(status));
  // A window's user sees no standard output: the window says what became of
  // the deal file last (a run that took none has said why in a box already).
  if (!report.deal_file().empty()) front_end->ShowFarewell(summary);
  // The front end gives the terminal back first, so the line stays readable.
  toolkit::SetFrontEnd(nullptr);
  front_end.reset();
  std::cout << summary << std::endl;
  // A summary that did not reach its reader (a closed pipe, a full disk) is
  // said by the exit status; what the run did is in DEXT.LOG.
  if (!std::cout.good()) return static_cast<int>(dext::ExitStatus::kOutputFailed);
  return status;
}

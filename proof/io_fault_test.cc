// Every record write of a transfer failing in turn, as an input/output error
// (EIO) and as a full disk (ENOSPC), and every record read as EIO: dext shows the
// failure in the error box ("Error: ..." on standard error when headless),
// ends with status 3, never reports success, keeps the deal file, and a
// following clean run completes to the uninterrupted result.
#include <gtest/gtest.h>

#include <iostream>

#include "proof/dext_process.h"
#include "testing/fault_switches.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

struct Fault {
  const char* name;
  const char* switch_name;  // the libkvb fault switch
  const char* code;         // KVB_FAULT_CODE
  const char* shown;        // how the error box names the secondary code
};

constexpr Fault kFaults[] = {
    {"write EIO", "KVB_FAULT_AT", "22", "-22 "},
    {"write ENOSPC", "KVB_FAULT_AT", "23", "-23 "},
    {"read EIO", "KVB_FAULT_READ_AT", "22", "-22 "},
};

// What went wrong when call n fails, empty when dext handled it soundly.
std::string FailCall(const Fault& fault, long n, const fs::path& pristine, const fs::path& trial,
                     const std::map<std::string, std::string>& reference, bool* reached) {
  CopyDealership(pristine, trial);
  const ProcessEnd failed =
      RunDext(trial, {{fault.switch_name, std::to_string(n)}, {"KVB_FAULT_CODE", fault.code}});
  *reached = !failed.Exited(0);
  std::string problems;
  if (!*reached) {
    // Past the last call of the run, or a failure passed over as success.
    if (fs::exists(trial / "work" / "DEXT.SKP")) problems += "a deal was skipped; ";
    for (const auto& [name, dump] : DumpTargets(trial)) {
      if (dump != reference.at(name)) problems += name + " differs after success; ";
    }
    return problems;
  }
  if (!failed.Exited(3)) problems += "status " + std::to_string(failed.exit_status) + "; ";
  if (failed.error_output.rfind("Error: ", 0) != 0 ||
      failed.error_output.find(fault.shown) == std::string::npos) {
    problems += "error box: '" + failed.error_output + "'; ";
  }
  if (!DealFileKept(trial / "work")) problems += "deal file deleted; ";
  const ProcessEnd clean = RunDext(trial);
  if (!clean.Exited(0)) problems += "clean run: " + clean.error_output;
  problems += TargetDifferences(reference, trial);
  return problems;
}

TEST(IoFaultTest, EveryFailedCallIsReportedAndACleanRunCompletes) {
  REQUIRE_KVB_FAULT_SWITCHES();
  ScratchFolder scratch;
  const fs::path pristine = scratch.path() / "pristine";
  const fs::path trial = scratch.path() / "trial";
  MakeSampleDealership(pristine, 4, 12, 3);
  CopyDealership(pristine, trial);
  ASSERT_TRUE(RunDext(trial).Exited(0));
  const std::map<std::string, std::string> reference = DumpTargets(trial);

  int failures = 0;
  for (const Fault& fault : kFaults) {
    long reported = 0;
    for (long n = 1;; ++n) {
      bool reached = false;
      const std::string problems = FailCall(fault, n, pristine, trial, reference, &reached);
      if (!problems.empty() && ++failures <= 4) {
        ADD_FAILURE() << fault.name << " at call " << n << ": " << problems;
      }
      if (!reached) break;
      ++reported;
    }
    EXPECT_GE(reported, 10) << fault.name;
    std::cout << fault.name << ": " << reported << " calls failed and reported\n";
  }
  if (failures > 0) scratch.Keep();
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace dext::proof

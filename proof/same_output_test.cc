// Same output: the real dext, run headless on two dealerships, must leave
// byte for byte what the files under proof/same_output/ hold, so that a
// rework of the transfer cannot change a written byte unnoticed.
//   sample/     the deals of dext-sample --deals 12 --vehicles 30 --seed 1, into KJRVH
//   hand_made/  the deals of HandMadeDeals into a dealership with KJRTH and no
//               KJRVH, the destination typed at the prompt (DEX2GL.DAT written)
// Compared: every record of the target files as stored, blanks and all
// (*.records, see StoredRecords: kvbtool dump trims trailing blanks), DEXT.SKP
// and DEX2GL.DAT as written, the summary line (stdout), and DEXT.LOG with what
// varies from run to run masked: each line's time, the run line's
// workstation, user and folder, and the claim of the deal file.
//
// DEXT_WRITE_EXPECTED=1 writes the expected files from this run instead of
// comparing: only on the code whose output is the reference, then commit them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "proof/dext_process.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;
using dext::testing::DealRecords;
using Outputs = std::map<std::string, std::string>;  // by expected file name

std::string MaskedLog(const std::string& log) {
  std::istringstream in(log);
  std::string masked;
  for (std::string line; std::getline(in, line);) {
    line.replace(0, std::min<size_t>(line.size(), 19), "<time>");
    if (line.starts_with("<time> run on ")) line = "<time> run on <host> by <user> in <folder>";
    // The claim is random: "claimed as DEXT-0123456789abcdef.RUN".
    if (const size_t claim = line.find("claimed as DEXT-"); claim != std::string::npos) {
      line.replace(claim + 16, 16, "<claim>");
    }
    masked += line + "\n";
  }
  return masked;
}

Outputs RunOutputs(const fs::path& root, const ProcessEnd& end, const std::string& accounting) {
  Outputs outputs;
  for (const std::string& name : {accounting, std::string("KCU"), std::string("KVIN")}) {
    outputs[name + ".records"] = StoredRecords(root, name + ".DAT");
  }
  for (const char* name : {"DEXT.SKP", "DEX2GL.DAT"}) {
    if (fs::exists(root / "work" / name)) outputs[name] = ReadFile(root / "work" / name);
  }
  outputs["DEXT.LOG"] = MaskedLog(ReadFile(root / "work" / "DEXT.LOG"));
  outputs["stdout"] = end.output;
  return outputs;
}

// The field of a layout (NAME, or NAME.n of a repeating one) that holds byte
// `at` of a record: its name, first byte and width.
struct FieldPlace {
  std::string name = "(past the layout)";
  size_t begin = 0, width = 0;
};

FieldPlace FieldAt(const fs::path& layout, size_t at) {
  std::ifstream in(layout);
  size_t begin = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string name, third;
    size_t width = 0, occurrences = 1;
    if (!(words >> name >> width)) continue;
    if (words >> third && std::isdigit(static_cast<unsigned char>(third[0]))) {
      occurrences = std::stoul(third);
    }
    if (at < begin + width * occurrences) {
      const size_t n = (at - begin) / width;
      return {occurrences == 1 ? name : name + "." + std::to_string(n + 1), begin + n * width,
              width};
    }
    begin += width * occurrences;
  }
  return {};
}

// Where an output first differs from its expected file: for the records of
// a keyed file the record's key and the field, else the line and byte.
std::string FirstDifference(const std::string& name, const std::string& expected,
                            const std::string& actual, const fs::path& layouts) {
  size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  const size_t start = at == 0 ? 0 : expected.rfind('\n', at - 1) + 1;  // of the line
  auto line = [start](const std::string& text) {
    return start >= text.size() ? "" : text.substr(start, text.find('\n', start) - start);
  };
  const std::string want = line(expected), have = line(actual);
  const size_t byte = at - start, key_end = want.find('=');
  if (name.ends_with(".records") && key_end != std::string::npos && byte > key_end) {
    const size_t offset = byte - key_end - 1;  // in the record
    const FieldPlace field = FieldAt(layouts / (name.substr(0, name.find('.')) + ".FID"), offset);
    auto value = [&](const std::string& text) {
      return text.substr(std::min(text.size(), key_end + 1 + field.begin), field.width);
    };
    return name + " record " + want.substr(0, key_end) + ", field " + field.name + " (byte " +
           std::to_string(offset) + "):\n  expected \"" + value(want) + "\"\n  got      \"" +
           value(have) + "\"";
  }
  const auto line_number = std::count(expected.begin(), expected.begin() + start, '\n') + 1;
  return name + " line " + std::to_string(line_number) + ", byte " + std::to_string(byte) +
         ":\n  expected \"" + want.substr(0, byte + 40) + "\"\n  got      \"" +
         have.substr(0, byte + 40) + "\"";
}

void ExpectSameOutput(const std::string& run, const Outputs& outputs, const fs::path& root) {
  const fs::path folder = fs::path(SAME_OUTPUT_DIR) / run;
  if (std::getenv("DEXT_WRITE_EXPECTED") != nullptr) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& [name, text] : outputs) WriteFile(folder / name, text);
    return;
  }
  ASSERT_TRUE(fs::is_directory(folder)) << folder << ": write it with DEXT_WRITE_EXPECTED=1";
  std::set<std::string> expected;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    expected.insert(name);
    if (outputs.count(name) == 0) ADD_FAILURE() << run << "/" << name << " was not written";
  }
  for (const auto& [name, text] : outputs) {
    if (expected.count(name) == 0) {
      ADD_FAILURE() << run << "/" << name << " was written, and is not expected";
    } else if (const std::string want = ReadFile(folder / name); text != want) {
      ADD_FAILURE() << run << "/" << FirstDifference(name, want, text, root / "F" / "KD" / "FF");
    }
  }
}

// FullDeal (stock number A10001 delivered 09/23/26, trading in t00042, a
// 36-month contract, every column filled) with the given columns replaced.
struct Column {
  int record, first, length;
  std::string text;
};

DealRecords Deal(const std::vector<Column>& columns) {
  DealRecords deal = dext::testing::FullDeal();
  for (const Column& c : columns) {
    (c.record == 1 ? deal.first : deal.second).Put(c.first, c.length, c.text);
  }
  return deal;
}

std::string Amount(long cents) { return sample::AmountColumn(cents); }

// 1: written; customer created (new car); trade-in added, its stock number in
//    lower case; the contract runs over three Decembers; every text fills its
//    columns, so a column cut short shows.
// 2: accounting record already there; customer updated (its dates and note
//    kept); trade-in added; December plus 1 month carries once.
// 3: VIN of 7, no customer, the trade-in's previous owner is still this
//    buyer; blank and zero amounts, sums with a zero addend and with carried
//    cents; salesman "7a"; lower-case names.
// 4: sold vehicle not in the inventory: skipped into DEXT.SKP.
// 5: no trade-in; VIN of exactly 8, a bare customer record updated; no
//    contract; blank salesman.
// 6: trade-in already in the inventory; June plus 6 months stays in the year.
std::vector<DealRecords> HandMadeDeals() {
  return {
      Deal({{2, 52, 8, "AKV1234Z"}, {2, 88, 30, "12070 North Lakeview Dr Apt 9B"},
            {2, 118, 15, "Lake Havasu Cty"}, {2, 135, 10, "46802-1234"},
            {2, 184, 10, "VOLKSWAGEN"}, {2, 194, 10, "HIGHLANDER"}, {2, 204, 5, "WAGON"},
            {2, 215, 10, "CHARTREUSE"}}),
      Deal({{1, 1, 6, "A10002"}, {1, 7, 6, "123126"}, {1, 184, 2, "01"}, {1, 89, 6, "T00050"},
            {2, 62, 15, "Nguyen"}, {2, 77, 10, "Wei"}, {2, 87, 1, " "}}),
      Deal({{1, 1, 6, "A10003"}, {1, 19, 2, "7a"}, {1, 89, 6, "u00003"}, {2, 62, 15, "o'brien"},
            {2, 77, 10, "jose"}, {2, 87, 1, "q"}, {1, 46, 8, ""}, {1, 57, 8, Amount(0)},
            {1, 65, 8, Amount(55)}, {1, 73, 8, Amount(45)}, {1, 81, 8, ""}, {1, 109, 8, ""},
            {1, 133, 8, Amount(0)}, {1, 141, 8, ""}, {1, 210, 8, ""}, {1, 226, 8, Amount(1250)},
            {2, 1, 8, ""}, {2, 9, 8, ""}, {2, 163, 17, "K7"}}),
      Deal({{1, 1, 6, "Z99999"}, {2, 152, 73, ""}}),
      Deal({{1, 1, 6, "A10005"}, {1, 7, 6, "060526"}, {1, 19, 2, "  "}, {1, 89, 6, ""},
            {1, 95, 8, ""}, {1, 149, 37, ""}, {2, 163, 62, ""}}),
      Deal({{1, 1, 6, "A10006"}, {1, 7, 6, "060126"}, {1, 184, 2, "06"}, {1, 89, 6, "T00077"},
            {2, 62, 15, "Li"}, {2, 77, 10, "mary"}}),
  };
}

// The records the hand-made deals meet, as CSV by file.
const std::map<std::string, std::string> kHandMadeRecords = {
    {"KVIN", "STKNO,VIN,YEAR,MAK,MODEL,BODY,MILES,COL,NU,PROWN,IP\n"
             "A10001,1HGCM82633A004352,2026,HONDA,ACCORD,4DR,     5,WHITE,N,,\n"
             "A10002,2FMDK3GC4ABA12345,2021,FORD,EDGE,SUV,034120,BLUE,U,,\n"
             "A10003,K123456,1998,JEEP,CHEROKEE,SUV,188000,GREEN,U,,\n"
             "A10005,JT2AE92E,2026,TOYOTA,COROLLA,4DR,     5,RED,N,,\n"
             "A10006,5YJ3E1EA7KF317000,2019,TESLA,MODEL 3,4DR,041500,BLACK,U,,\n"
             "T00077,3VWFE21C04M000001,2004,VOLKSWAGEN,JETTA,4DR,150000,SILVER,U,JOHN A SMITH,"
             "  2500.00\n"},
    {"KCU", "VENO,ACNO,NAME,INSMO,FUMO,FUDAY,FUYR,LSMO,LSDAY,LSYR,LSODOM,LSRO,NOTE\n"
            "ABA12345,NGUA12345,WEI NGUYEN,03,05,10,24,11,02,25,031000,104233,SATURDAYS ONLY\n"
            "JT2AE92E,,,00,,,,,,,,,CALL BEFORE 5PM\n"},
    {"KJRTH", "STKNO,DELMO,DELDAY,DELYR,SM,SMNM,LN1,FN1,MI1,DA.3,CA.3,POSTED\n"
              "A10002,01,15,26,03,EARLIER POSTING,PRIOR,BUYER, ,1000.00,1000.00,Y\n"}};

TEST(SameOutput, SampleDealership) {
  ScratchFolder root;
  MakeSampleDealership(root.path(), 12, 30, 1);
  const ProcessEnd end = RunDext(root.path());
  ASSERT_TRUE(end.Exited(0)) << end.error_output;
  ExpectSameOutput("sample", RunOutputs(root.path(), end, "KJRVH"), root.path());
  if (::testing::Test::HasFailure()) root.Keep();
}

TEST(SameOutput, HandMadeDeals) {
  ScratchFolder root;
  const fs::path layouts = root.path() / "F" / "KD" / "FF", data = root.path() / "F" / "DLR";
  fs::create_directories(layouts);
  fs::create_directories(data);
  fs::create_directories(root.path() / "work");
  for (const auto& [name, csv] : kHandMadeRecords) {
    fs::copy_file(fs::path(LAYOUTS_DIR) / (name + ".FID"), layouts / (name + ".FID"));
    ASSERT_EQ(RunKvbtool({"create", data / (name + ".DAT"), layouts / (name + ".FID")}), 0);
    ASSERT_TRUE(LoadTarget(root.path(), name + ".DAT", csv)) << name;
  }
  std::string deal_file;
  for (const DealRecords& deal : HandMadeDeals()) deal_file += deal.Text();
  WriteFile(root.path() / "work" / "DEXT.DAT", deal_file);

  const ProcessEnd end = RunDext(root.path(), {{"DEXT_KEYS", "F:\\DLR{Enter}{Enter}"}});
  ASSERT_TRUE(end.Exited(0)) << end.error_output;
  ExpectSameOutput("hand_made", RunOutputs(root.path(), end, "KJRTH"), root.path());
  if (::testing::Test::HasFailure()) root.Keep();
}

}  // namespace
}  // namespace dext::proof

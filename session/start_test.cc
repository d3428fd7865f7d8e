#include "session/start.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include "context/session.h"
#include "records/library.h"
#include "records/testing/faulty_library.h"
#include "records/testing/scratch_drive.h"
#include "session/orderly_end.h"

namespace dext {
namespace {

// The chained-start blocks in a private folder of the scratch drive.
class StartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSession();
    setenv("KVB_CHAIN_DIR", (drive_.root() / "chain").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KVB_CHAIN_DIR");
    ResetSession();
  }
  void Put(int16_t handle, int16_t index, const std::string& text) {
    ASSERT_EQ(::KVBdataput(handle, index, text.c_str()), 0) << index;
  }
  testing::ScratchDrive drive_;
  FaultyLibrary library;
};

TEST(FileBaseFromCommandLineTest, NumbersRoundedAndRangeGuarded) {
  struct Case {
    const char* line;
    std::optional<int16_t> base;
  } cases[] = {
      {"", 0},          {"0", 0},           {"abc", 0},        {"  7", 7},
      {"7abc", 7},      {"2.5", 2},         {"3.5", 4},        {"-12", -12},
      {"1 2", 12},      {"32512", 32512},   {"-32768", -32768},
      {"32513", std::nullopt},              // its files would pass 32767
      {"40000", std::nullopt},              {"-32769", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(FileBaseFromCommandLine(c.line), c.base) << c.line;
}

TEST_F(StartTest, ChainedParametersAreConverted) {
  for (int16_t n = 0; n < 10; ++n) {
    Put(12, n, "text " + std::to_string(n));
    Put(12, 10 + n, std::to_string(n) + ".25 USD");
    Put(12, 20 + n, std::to_string(100000 + n) + ".5");
    Put(12, 30 + n, std::to_string(n) + ".5");
  }
  Put(12, 31, "none");
  Put(12, 41, "1");
  Put(12, 42, "EUR");
  Put(12, 43, "D.M.CY");
  Put(12, 44, "2");
  Put(12, 45, "NOVELL");
  Put(12, 46, "-3");
  Put(12, 47, "2");

  StartSession("12");
  const SessionContext& s = Session();
  EXPECT_EQ(s.TextSlot[3], "text 3");
  EXPECT_EQ(s.TextSlot[10], "");
  EXPECT_DOUBLE_EQ(s.AmountSlot[4], 4.25);
  EXPECT_EQ(s.LongSlot[0], 100000);  // 100000.5: halves to even
  EXPECT_EQ(s.LongSlot[1], 100002);  // 100001.5
  EXPECT_EQ(s.ShortSlot[0], 0);      // 0.5
  EXPECT_EQ(s.ShortSlot[1], 0);      // no number
  EXPECT_EQ(s.ShortSlot[3], 4);      // 3.5
  EXPECT_EQ(s.SessionWord40, 0);
  EXPECT_EQ(s.ProcessOnBackTab, 1);
  EXPECT_EQ(s.CurrencySymbol, "EUR");
  EXPECT_EQ(s.DateFormat, "D.M.CY");
  EXPECT_EQ(s.SessionWord44, 2);
  EXPECT_EQ(s.NetworkType, "NOVELL");
  EXPECT_EQ(s.SessionWord46, -3);
  EXPECT_EQ(s.RoundingPlaces, 2);
  EXPECT_EQ(library.CallsTo("KVBgetfiles"), std::vector<std::string>{"KVBgetfiles(12,NOVELL)"});
  EXPECT_EQ(TextFromLibrary(::KVBdataget(12, 0)), "");  // the block is freed once read
  // No initialisation and no workstation identity on a chained start.
  EXPECT_TRUE(library.CallsTo("KVBinit").empty());
  EXPECT_EQ(s.ErrorInfo.ComputerName, "");
  EXPECT_EQ(s.ErrorInfo.WindowsVersion, "");
}

TEST_F(StartTest, ChainedNumbersOutOfRangeSaturate) {
  Put(5, 20, "9999999999");
  Put(5, 21, "-9999999999");
  Put(5, 30, "40000");
  Put(5, 31, "-40000");
  Put(5, 47, "1e9");  // the number is 1
  StartSession("5");
  EXPECT_EQ(Session().LongSlot[0], INT32_MAX);
  EXPECT_EQ(Session().LongSlot[1], INT32_MIN);
  EXPECT_EQ(Session().ShortSlot[0], 32767);
  EXPECT_EQ(Session().ShortSlot[1], -32768);
  EXPECT_EQ(Session().RoundingPlaces, 1);
}

TEST_F(StartTest, StandAloneStartSetsTheDefaultsAndInitialisesTheLibrary) {
  const std::string date_format = TextFromLibrary(::KVBdateform("M/D/CY h:m:s"));
  ASSERT_NE(date_format, "");
  for (const char* line : {"", "0", "abc", "-0.4"}) {
    ResetSession();
    library.ClearCalls();
    StartSession(line);
    const SessionContext& s = Session();
    EXPECT_EQ(library.calls(),
              (std::vector<std::string>{"KVBdateform(M/D/CY h:m:s)", "KVBinit(0)"}))
        << line;
    EXPECT_GT(s.FileBase, 0);
    EXPECT_EQ(s.RoundingPlaces, 5);
    EXPECT_EQ(s.CurrencySymbol, "$");
    EXPECT_EQ(s.DateFormat, date_format);
    EXPECT_EQ(s.SessionWord40, 0);
    EXPECT_EQ(s.SessionWord44, 1);
    EXPECT_EQ(s.NetworkType, "SINGLE");
    EXPECT_EQ(s.ProgramName, "");
    EXPECT_EQ(s.ErrorInfo.WindowsVersion, "{unknown}");
    EXPECT_LE(s.ErrorInfo.ComputerName.size(), 15u);
  }
}

TEST_F(StartTest, RefusedCommandLineEndsBeforeTheLibraryIsTouched) {
  try {
    StartSession("70000");
    FAIL() << "a base outside 16 bits was accepted";
  } catch (const ProgramEnd& end) {
    EXPECT_EQ(end.status, ExitStatus::kUsage);
  }
  EXPECT_TRUE(library.calls().empty());
  EXPECT_EQ(Session().FileBase, 0);
}

}  // namespace
}  // namespace dext

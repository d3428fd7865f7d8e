// The cause beside a failure's code (KVBerrcause): it belongs to that
// failure, and says what the library found where it found it. The causes
// of the stores and of the system are tested through kvbtool and dext
// (tools/kvbtool/cause_test.cc, proof/failure_cause_test.cc).
#include "cause.h"

#include <gtest/gtest.h>

#include "kvb.h"
#include "status.h"
#include "test_support.h"

namespace kvb {
namespace {

TEST(CauseTest, ACauseBelongsToItsFailureAlone) {
  test::ScratchFolder folder;
  setenv("KVB_DRIVE_F", folder.path().c_str(), 1);
  test::MakeKeyed(folder / "KVIN.DAT", folder / "KVIN.FID", test::kVehicleLayout);
  EXPECT_STREQ(KVBerrcause(0), "");

  EXPECT_NE(KVBopen("F:\\KVIN.DAT", "F:\\NONE.FID", "", 1, 3, 0), 0);
  EXPECT_EQ(KVBerr(0), kMissingLayout);
  EXPECT_EQ(std::string(KVBerrcause(0)),
            "layout F:\\NONE.FID (" + folder.path() + "/NONE.FID): No such file or directory");
  KVBerrtext(KVBerr(0));  // other calls between the failure and the question change nothing
  EXPECT_NE(std::string(KVBerrcause(0)), "");

  // The library's own finding has no cause of the system's.
  ASSERT_EQ(KVBopen("F:\\KVIN.DAT", "F:\\KVIN.FID", "", 1, 3, 0), 0);
  KVBposn(1, "NONE", -1, "", 256);
  EXPECT_NE(KVBread(1, 512), 0);
  EXPECT_EQ(KVBerr(0), kNoRecord);
  EXPECT_STREQ(KVBerrcause(0), "");

  // A note about another code is not this failure's cause.
  WithCause(kDiskFull, "left over");
  EXPECT_NE(KVBread(1, 512), 0);
  EXPECT_STREQ(KVBerrcause(0), "");
  KVBclose(0);
}

TEST(CauseTest, AnotherLayoutIsNamedByTheFieldThatDiffers) {
  test::ScratchFolder folder;
  test::MakeKeyed(folder / "KVIN.DAT", folder / "KVIN.FID", test::kVehicleLayout);
  struct Case {
    const char* layout;
    const char* cause;
  } cases[] = {
      {"STKNO 6 key\nACT 1\nVIN 17\nNAME 12\nDA 9 4\n",
       "made with the field 'DA 9 3' where the layout given has 'DA 9 4'"},
      {"STKNO 6 key\nACT 1\nVIN 17\nNAME 12\n",
       "made with the field 'DA 9 3', which the layout given lacks"},
      {"STKNO 6 key\nACT 1\nVIN 17\nNAME 12\nDA 9 3\nMORE 1\n",
       "the layout given has the field 'MORE 1 1' more"},
  };
  for (const Case& c : cases) {
    test::WriteFile(folder / "OTHER.FID", c.layout);
    EXPECT_NE(KVBopen((folder / "KVIN.DAT").c_str(), (folder / "OTHER.FID").c_str(), "", 1, 3, 0),
              0);
    EXPECT_EQ(KVBerr(0), kLayoutMismatch);
    EXPECT_EQ(std::string(KVBerrcause(0)), std::string("KVIN.DAT: ") + c.cause);
  }
  // The number mark describes the same records.
  test::WriteFile(folder / "MARKED.FID",
                  "STKNO 6 key\nACT 1 number\nVIN 17\nNAME 12\nDA 9 3 number\n");
  EXPECT_EQ(KVBopen((folder / "KVIN.DAT").c_str(), (folder / "MARKED.FID").c_str(), "", 1, 3, 0), 0)
      << KVBerrcause(0);
  KVBclose(0);
}

TEST(CauseTest, ACauseIsOneLineOfSentences) {
  EXPECT_EQ(OneLine("connection to server failed: No such file or directory\n"
                    "\tIs the server running locally?\n"),
            "connection to server failed: No such file or directory. Is the server running "
            "locally?");
  EXPECT_EQ(OneLine("ERROR:  permission denied for table kvb_records\n"),
            "ERROR: permission denied for table kvb_records");
  EXPECT_EQ(ForeignFormat("kvb keyed record store 10", "kvb keyed record store 9"),
            "store format 'kvb keyed record store 10'; this library reads 'kvb keyed record "
            "store 9': a newer version of the library made it; use that version");
  EXPECT_EQ(ForeignFormat("acme ledger 3", "kvb keyed record store 1"),
            "store format 'acme ledger 3'; this library reads 'kvb keyed record store 1'");
}

}  // namespace
}  // namespace kvb

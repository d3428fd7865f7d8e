// Under a failure of the record library kvbtool prints the code's words and,
// on a line of its own, the cause: what the store or the system said. (The
// causes themselves, of a folder this user may not write, a full disk, a
// store of a newer library and a refused login: proof/failure_cause_test.cc
// through dext, kvb/src/cause_test.cc in the library.)
#include <gtest/gtest.h>

#include <string>

#include "tools/kvbtool/tool_test_support.h"

namespace kvbtool::test {
namespace {

class KvbtoolCauseTest : public KvbtoolRun {
 protected:
  // The cause line of the last run's errors ("" when there is none).
  std::string Cause() const {
    const size_t at = errors_.find("kvbtool: cause: ");
    if (at == std::string::npos) return "";
    return errors_.substr(at + 16, errors_.find('\n', at) - at - 16);
  }
};

TEST_F(KvbtoolCauseTest, ALayoutThatIsMissingOrDoesNotParseSaysWhere) {
  kvb::test::WriteFile(root_ + "/DLR/.keep", "");
  EXPECT_EQ(Run("create 'F:\\DLR\\KCU.DAT' 'F:\\KD\\KCU.FID'"), 1);
  EXPECT_NE(errors_.find("F:\\KD\\KCU.FID: layout file not found\n"), std::string::npos) << errors_;
  EXPECT_EQ(Cause(),
            "layout F:\\KD\\KCU.FID (" + root_ + "/KD/KCU.FID): No such file or directory");
  kvb::test::WriteFile(root_ + "/BAD.FID", "VENO 8 key\nNAME thirty\n");
  EXPECT_EQ(Run("create 'F:\\DLR\\KCU.DAT' 'F:\\BAD.FID'"), 1);
  EXPECT_EQ(Cause(), "F:\\BAD.FID:2: width must be a number from 1 to 4000");
}

// A role of the server that may read but not write.
TEST_F(KvbtoolCauseTest, AServerRoleThatMayNotWriteIsNamed) {
  const std::string conninfo = MapServerDrive();
  ASSERT_FALSE(conninfo.empty());
  Make("G:\\DLR\\KVIN.DAT", "KVIN.FID", "STKNO,VIN\nA1,VIN1\n");
  const std::string kvin = "'G:\\DLR\\KVIN.DAT'";
  kvb::test::PgServer::Query(conninfo, "CREATE ROLE reader LOGIN");
  kvb::test::PgServer::Query(conninfo, "GRANT SELECT ON ALL TABLES IN SCHEMA public TO reader");
  const std::string reader = "env KVB_STORE_G='" + conninfo + " user=reader'";
  EXPECT_EQ(Run("dump " + kvin, "", reader), 0) << errors_;
  EXPECT_EQ(Run("load " + kvin, "STKNO,VIN\nB2,VIN2\n", reader), 1);
  EXPECT_NE(errors_.find("file not open for this operation; nothing stored\n"), std::string::npos)
      << errors_;
  EXPECT_EQ(Cause(), "ERROR: permission denied for table kvb_records");
}

}  // namespace
}  // namespace kvbtool::test

// Under a failure of the record library kvbtool prints the code's words and,
// on a line of its own, the cause: what the store or the system said, naming
// the real reason.
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

TEST_F(KvbtoolCauseTest, FailuresOfAFoldersStoreNameTheirCause) {
  kvb::test::WriteFile(root_ + "/DLR/.keep", "");
  Make("F:\\DLR\\KVIN.DAT", "KVIN.FID", "STKNO,VIN\nA1,VIN1\n");

  // A folder this user may not write: root may write anything, so nobody
  // tries.
  kvb::test::WriteFile(root_ + "/locked/.keep", "");
  chmod((root_ + "/locked").c_str(), 0555);
  EXPECT_EQ(
      Run("create " + root_ + "/locked/KCU.DAT " SAMPLE_LAYOUTS "/KCU.FID", "", AsUnprivileged()),
      1);
  EXPECT_NE(errors_.find("KCU.DAT: permission denied\n"), std::string::npos) << errors_;
  EXPECT_EQ(Cause(), root_ +
                         "/locked/KVBSTORE.DB: unable to open database file (not writable "
                         "by this user: the folder " +
                         root_ + "/locked/: Permission denied)");
  chmod((root_ + "/DLR/KVBSTORE.DB").c_str(), 0644);
  chmod((root_ + "/DLR").c_str(), 0555);
  EXPECT_EQ(Run("load 'F:\\DLR\\KVIN.DAT'", "STKNO,VIN\nB2,VIN2\n", AsUnprivileged()), 1);
  EXPECT_NE(Cause().find("not writable by this user"), std::string::npos) << errors_;
  chmod((root_ + "/DLR").c_str(), 0755);

  // A layout that is not there, or does not parse, with where it is.
  EXPECT_EQ(Run("create 'F:\\DLR\\KCU.DAT' 'F:\\KD\\KCU.FID'"), 1);
  EXPECT_EQ(Cause(),
            "layout F:\\KD\\KCU.FID (" + root_ + "/KD/KCU.FID): No such file or directory");
  kvb::test::WriteFile(root_ + "/BAD.FID", "VENO 8 key\nNAME thirty\n");
  EXPECT_EQ(Run("create 'F:\\DLR\\KCU.DAT' 'F:\\BAD.FID'"), 1);
  EXPECT_EQ(Cause(), "F:\\BAD.FID:2: width must be a number from 1 to 4000");

  // A store that a newer version of the library made.
  ASSERT_EQ(system(("sqlite3 " + root_ +
                    "/DLR/KVBSTORE.DB \"UPDATE kvb_meta SET value='kvb keyed record store 2'\"")
                       .c_str()),
            0);
  EXPECT_EQ(Run("dump 'F:\\DLR\\KVIN.DAT'"), 1);
  EXPECT_NE(errors_.find("KVIN.DAT: not a keyed record file\n"), std::string::npos) << errors_;
  EXPECT_EQ(Cause(), root_ +
                         "/DLR/KVBSTORE.DB: store format 'kvb keyed record store 2'; this "
                         "library reads 'kvb keyed record store 1': a newer version of the "
                         "library made it; use that version");
}

// A full disk: a small tmpfs in a mount namespace of its own where the test
// may make one (as root), else the library's fault switch.
TEST_F(KvbtoolCauseTest, AFullDiskIsNamed) {
  const std::string csv = root_ + "/many.csv";
  std::string rows = "STKNO,PROWN\n";
  for (int i = 0; i < 3000; ++i) rows += "A" + std::to_string(10000 + i) + ",OWNER NUMBER\n";
  kvb::test::WriteFile(csv, rows);
  const std::string small = root_ + "/small";
  kvb::test::WriteFile(small + "/.keep", "");
  const std::string create =
      std::string(KVBTOOL_PATH) + " create " + small + "/KVIN.DAT " SAMPLE_LAYOUTS "/KVIN.FID";
  const std::string load = std::string("load ") + small + "/KVIN.DAT " + csv;
  if (getuid() == 0 && system("unshare -m true 2>/dev/null") == 0) {
    EXPECT_EQ(Run(load, "",
                  "unshare -m sh -c 'mount -t tmpfs -o size=128k tmpfs " + small + " && " + create +
                      " && exec \"$0\" \"$@\"' "),
              1)
        << errors_;
    EXPECT_NE(errors_.find("KVIN.DAT: disk full\n"), std::string::npos) << errors_;
    EXPECT_EQ(Cause(), small + "/KVBSTORE.DB: database or disk is full");
  } else {
    ASSERT_EQ(system(create.c_str()), 0);
    EXPECT_EQ(Run(load, "", "env KVB_FAULT_AT=2 KVB_FAULT_CODE=23"), 1);
    EXPECT_EQ(Cause(), "disk full made on purpose by the fault switch KVB_FAULT_AT=2");
  }
}

TEST_F(KvbtoolCauseTest, FailuresOfAServerNameTheirCause) {
  const std::string conninfo = MapServerDrive();
  ASSERT_FALSE(conninfo.empty());
  Make("G:\\DLR\\KVIN.DAT", "KVIN.FID", "STKNO,VIN\nA1,VIN1\n");
  const std::string kvin = "'G:\\DLR\\KVIN.DAT'";

  struct Login {
    std::string setting;
    std::string reason;
  } logins[] = {
      {conninfo + " dbname=nosuchdatabase", "FATAL: database \"nosuchdatabase\" does not exist"},
      {conninfo + " user=nosuchrole", "FATAL: role \"nosuchrole\" does not exist"},
  };
  for (const Login& login : logins) {
    EXPECT_EQ(Run("dump " + kvin, "", "env KVB_STORE_G='" + login.setting + "'"), 1);
    EXPECT_NE(errors_.find("KVIN.DAT: record server refused the login\n"), std::string::npos)
        << errors_;
    EXPECT_NE(Cause().find(login.reason), std::string::npos) << errors_;
  }

  // A role that may read but not write.
  kvb::test::PgServer::Query(conninfo, "CREATE ROLE reader LOGIN");
  kvb::test::PgServer::Query(conninfo, "GRANT SELECT ON ALL TABLES IN SCHEMA public TO reader");
  const std::string reader = "env KVB_STORE_G='" + conninfo + " user=reader'";
  EXPECT_EQ(Run("dump " + kvin, "", reader), 0) << errors_;
  EXPECT_EQ(Run("load " + kvin, "STKNO,VIN\nB2,VIN2\n", reader), 1);
  EXPECT_NE(errors_.find("file not open for this operation; nothing stored\n"), std::string::npos)
      << errors_;
  EXPECT_EQ(Cause(), "ERROR: permission denied for table kvb_records");

  kvb::test::PgServer::Query(conninfo, "UPDATE kvb_meta SET value = 'kvb keyed record store 2'");
  EXPECT_EQ(Run("dump " + kvin), 1);
  EXPECT_NE(Cause().find("store format 'kvb keyed record store 2'; this library reads 'kvb keyed "
                         "record store 1': a newer version of the library made it"),
            std::string::npos)
      << errors_;
}

}  // namespace
}  // namespace kvbtool::test

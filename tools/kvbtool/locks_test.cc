// kvbtool locks with two desks holding record locks of one file, on both
// stores; on a server, each connection named after its program, desk and
// work folder.
#include <gtest/gtest.h>
#include <stdio.h>

#include <memory>
#include <string>

#include "tools/kvbtool/tool_test_support.h"

namespace kvbtool::test {
namespace {

// A kvbtool lock process holding a key until destroyed, started in folder as
// desk.
class Holder {
 public:
  Holder(const std::string& folder, const std::string& desk, const std::string& file,
         const std::string& key)
      : said_(folder + "/said") {
    const std::string command = "cd " + folder + " && KVB_DESK=" + desk + " " KVBTOOL_PATH +
                                " lock '" + file + "' " + key + " >" + said_;
    pipe_ = popen(command.c_str(), "w");
    for (int i = 0; i < 200 && kvb::test::ReadFile(said_).empty(); ++i) usleep(25000);
  }
  ~Holder() {
    if (pipe_ != nullptr) pclose(pipe_);
  }
  bool holds() const { return kvb::test::ReadFile(said_).rfind("locked ", 0) == 0; }

 private:
  std::string said_;
  FILE* pipe_ = nullptr;
};

class LocksTest : public KvbtoolRun, public ::testing::WithParamInterface<kvb::test::StoreKind> {
 protected:
  void SetUp() override {
    KvbtoolRun::SetUp();
    if (GetParam() == kvb::test::StoreKind::kPostgres) conninfo_ = MapServerDrive();
    file_ = std::string(sqlite() ? "F" : "G") + ":\\DLR\\KVIN.DAT";
    kvb::test::WriteFile(root_ + "/DLR/.keep", "");
    Make(file_, "KVIN.FID", "STKNO\nA1\nB2\nC3\n");
    for (const char* desk : {"desk-a", "desk-b"}) {
      kvb::test::WriteFile(root_ + "/" + desk + "/.keep", "");
    }
  }
  bool sqlite() const { return GetParam() == kvb::test::StoreKind::kSqlite; }

  std::string conninfo_;
  std::string file_;
};

TEST_P(LocksTest, LocksNamesTheLockedKeysAndWhoHoldsThem) {
  ASSERT_EQ(Run("locks '" + file_ + "'"), 0) << errors_;
  EXPECT_NE(output_.find(":\n  none\n"), std::string::npos) << output_;
  Holder a(root_ + "/desk-a", "desk-a", file_, "A1");
  Holder b(root_ + "/desk-b", "desk-b", file_, "C3");
  ASSERT_TRUE(a.holds() && b.holds());
  ASSERT_EQ(Run("locks '" + file_ + "'"), 0) << errors_;
  if (sqlite()) {
    EXPECT_NE(output_.find("record locks in " + root_ + "/DLR/KVIN.DAT-lock:\n  A1\n  C3\n"),
              std::string::npos)
        << output_;
    EXPECT_NE(output_.find("kvbtool  in " + root_ + "/desk-a\n"), std::string::npos) << output_;
    EXPECT_NE(output_.find("kvbtool  in " + root_ + "/desk-b\n"), std::string::npos) << output_;
    return;
  }
  EXPECT_NE(output_.find("record locks of DLR\\KVIN.DAT in the database "), std::string::npos)
      << output_;
  EXPECT_NE(output_.find("\n  A1  held by kvbtool@desk-a:" + root_ + "/desk-a (server process "),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("\n  C3  held by kvbtool@desk-b:" + root_ + "/desk-b (server process "),
            std::string::npos)
      << output_;
  EXPECT_EQ(output_.find("B2"), std::string::npos) << output_;
  // pg_stat_activity names the desks as well.
  EXPECT_EQ(kvb::test::PgServer::Query(
                conninfo_,
                "SELECT string_agg(application_name, ' ' ORDER BY application_name) FROM "
                "pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid()"),
            "kvbtool@desk-a:" + root_ + "/desk-a kvbtool@desk-b:" + root_ + "/desk-b");
}

INSTANTIATE_TEST_SUITE_P(Stores, LocksTest,
                         ::testing::Values(kvb::test::StoreKind::kSqlite,
                                           kvb::test::StoreKind::kPostgres),
                         kvb::test::StoreName);

}  // namespace
}  // namespace kvbtool::test

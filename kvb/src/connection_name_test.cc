#include "connection_name.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

namespace kvb {
namespace {

TEST(ConnectionNameTest, ProgramDeskAndFolderFitIntoApplicationName) {
  EXPECT_EQ(ConnectionName("dext", "ws2", "/srv/fi/work"), "dext@ws2:/srv/fi/work");
  // Too long: the program and the desk are cut, the folder keeps its end.
  const std::string name =
      ConnectionName("a-program-with-a-long-name", "the-desk-by-the-window-of-sales",
                     "/srv/dealerships/north/finance-and-insurance/work");
  EXPECT_EQ(name, "a-program-with-a@the-desk-by-the-window-o:...and-insurance/work");
  EXPECT_EQ(name.size(), kMaxConnectionName);
  // What would split the name or is not printable ASCII becomes '_'.
  EXPECT_EQ(ConnectionName("dext", "ws@2:b", "/srv/caf\xC3\xA9"), "dext@ws_2_b:/srv/caf__");
}

TEST(ConnectionNameTest, TheDeskIsKvbDeskElseTheHostName) {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  unsetenv("KVB_DESK");
  EXPECT_EQ(ThisConnectionName().substr(0, ThisConnectionName().find(':')),
            std::string("kvb_tests@") + host);
  setenv("KVB_DESK", "front desk", 1);
  EXPECT_EQ(ThisConnectionName().substr(0, 21), "kvb_tests@front desk:");
  unsetenv("KVB_DESK");
}

}  // namespace
}  // namespace kvb

// The view of each keyed file (kvb/src/store_views.h), read the way an
// accountant's SQL tool reads it (the plain sqlite3 shell, psql), gives
// every field of every record as kvbtool dump does: text without trailing
// blanks and in UTF-8, a field marked "number" as that number.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "layout.h"
#include "tools/kvbtool/tool_test_support.h"

namespace kvbtool::test {
namespace {

using Row = std::vector<std::string>;

// Rows of CSV as sqlite3 -csv, psql --csv and kvbtool dump write it.
std::vector<Row> ParseCsv(const std::string& text) {
  std::vector<Row> rows;
  Row row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      field += text[i++];
    } else if (c == '"') {
      quoted = !quoted;
    } else if (quoted || (c != ',' && c != '\n' && c != '\r')) {
      field += c;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      row.push_back(std::move(field));
      rows.push_back(std::move(row));
      field.clear();
      row.clear();
    }
  }
  return rows;
}

// A plain number, blanks around it aside: what the view shows as a number.
bool PlainNumber(const std::string& text, double* value) {
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return false;
  const std::string number = text.substr(begin, text.find_last_not_of(' ') - begin + 1);
  size_t at = number[0] == '+' || number[0] == '-' ? 1 : 0;
  bool digit = false, point = false;
  for (; at < number.size(); ++at) {
    if (number[at] == '.' && !point) {
      point = true;
    } else if (number[at] >= '0' && number[at] <= '9') {
      digit = true;
    } else {
      return false;
    }
  }
  if (digit) *value = std::stod(number);
  return digit;
}

class ViewTest : public KvbtoolRun {
 protected:
  // The records of a dump and of a view, by key, compared field by field;
  // the dump's header names columns as NAME.n, the view's as name_n.
  void ExpectViewEqualsDump(const std::string& file, const std::string& layout_file,
                            std::string view_csv) {
    ASSERT_EQ(Run("dump " + file), 0) << errors_;
    const std::vector<Row> dump = ParseCsv(output_);
    const std::vector<Row> view = ParseCsv(view_csv);
    ASSERT_FALSE(dump.empty());
    ASSERT_EQ(view.size(), dump.size()) << view_csv;
    kvb::Layout layout;
    std::string error;
    ASSERT_EQ(kvb::LoadLayoutFile(layout_file, layout_file, &layout, &error), kvb::kNone);
    std::map<std::string, const Row*> by_key;
    for (size_t r = 1; r < view.size(); ++r) by_key[view[r][0]] = &view[r];
    const Row& header = dump[0];
    for (size_t c = 0; c < header.size(); ++c) {
      std::string name = header[c];
      for (char& ch : name) ch = ch == '.' ? '_' : static_cast<char>(std::tolower(ch));
      ASSERT_EQ(view[0][c], name);
    }
    int numbers = 0;
    for (size_t r = 1; r < dump.size(); ++r) {
      ASSERT_TRUE(by_key.count(dump[r][0])) << dump[r][0];
      const Row& seen = *by_key[dump[r][0]];
      for (size_t c = 0; c < header.size(); ++c) {
        const std::string where = file + " " + dump[r][0] + " " + header[c];
        if (!layout.Find(header[c].substr(0, header[c].find('.')))->number) {
          EXPECT_EQ(seen[c], dump[r][c]) << where;
          continue;
        }
        double value = 0;
        if (!PlainNumber(dump[r][c], &value)) {
          EXPECT_EQ(seen[c], "") << where << ": no number, NULL";
        } else {
          ++numbers;
          char* end = nullptr;
          EXPECT_DOUBLE_EQ(std::strtod(seen[c].c_str(), &end), value) << where << ": " << seen[c];
          EXPECT_TRUE(!seen[c].empty() && *end == '\0') << where << ": " << seen[c];
        }
      }
    }
    EXPECT_GT(numbers, 0) << file;
  }

  // A sample dealership in root/shop with records that put every kind of
  // character and number into the views.
  void MakeDealership(const std::string& store_setting) {
    const std::string shop = root_ + "/shop";
    ASSERT_EQ(system(("KVB_STORE_F='" + store_setting + "' " DEXT_SAMPLE_PATH " " + shop +
                      " --deals 8 --vehicles 30 --seed 4 >/dev/null")
                         .c_str()),
              0);
    setenv("KVB_DRIVE_F", (shop + "/F").c_str(), 1);
    if (!store_setting.empty()) setenv("KVB_STORE_F", store_setting.c_str(), 1);
    ASSERT_EQ(Run("load 'F:\\DLR\\KVIN.DAT'",
                  "STKNO,PROWN,MILES,IP,LIST,YEAR\n"
                  "Z1,Jos\xC3\xA9 \xC5\x92uvre \xE2\x82\xAC 5 \xE2\x84\xA2,  -12,1.50,.5,+7\n"
                  "Z2,\xC2\x81x\xC2\x9D\xC2\x8Fy \xC2\x90\xC2\x8D,abc,1.2.3,-,12 3\n"
                  "Z3,   leading blanks,000042,0000.10,99999999,\n"),
              0)
        << errors_;
    ASSERT_EQ(Run("load 'F:\\DLR\\KJRVH.DAT'",
                  "STKNO,LN1,DA.1,DA.22,CA.3,TA,CP\n"
                  "Z1,M\xC3\xBCller,  1234.56,-0.99, 1000.00,ZZZZ,\n"
                  "Z2,\xC3\x98stergaard, 12345.67,,5.00,99.99,100\n"),
              0)
        << errors_;
    ASSERT_EQ(Run("load 'F:\\DLR\\KCU.DAT'", "VENO,NAME,MILES,LSODOM\nZ1,Fran\xC3\xA7oise,12,x\n"),
              0)
        << errors_;
  }
};

TEST_F(ViewTest, TheSqlite3ShellReadsEveryFieldAsDumpGivesIt) {
  MakeDealership("");
  const std::string store = root_ + "/shop/F/DLR/KVBSTORE.DB";
  for (const std::string name : {"KVIN", "KCU", "KJRVH"}) {
    std::string view = name + "_dat";
    for (char& c : view) c = static_cast<char>(std::tolower(c));
    ASSERT_EQ(Shell("sqlite3 -csv -header " + store + " 'SELECT * FROM " + view + "'"), 0)
        << errors_;
    ExpectViewEqualsDump("'F:\\DLR\\" + name + ".DAT'", SAMPLE_LAYOUTS "/" + name + ".FID",
                         output_);
  }
}

TEST_F(ViewTest, PsqlReadsEveryFieldAsDumpGivesIt) {
  kvb::test::PgServer& server = kvb::test::PgServer::Shared();
  ASSERT_TRUE(server.running()) << server.error();
  const std::string conninfo = server.NewDatabase();
  MakeDealership(conninfo);
  const char* bin = getenv("KVB_PG_BIN");
  const std::string psql = std::string(bin && *bin ? bin : "/usr/lib/postgresql/15/bin") + "/psql";
  for (const std::string name : {"KVIN", "KCU", "KJRVH"}) {
    std::string view = "dlr_" + name + "_dat";
    for (char& c : view) c = static_cast<char>(std::tolower(c));
    ASSERT_EQ(Shell(psql + " '" + conninfo + "' --csv -c 'SELECT * FROM " + view + "'"), 0)
        << errors_;
    ExpectViewEqualsDump("'F:\\DLR\\" + name + ".DAT'", SAMPLE_LAYOUTS "/" + name + ".FID",
                         output_);
  }
}

}  // namespace
}  // namespace kvbtool::test

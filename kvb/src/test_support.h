// Helpers shared by the library's tests: a scratch folder, files in it, and
// keyed files made from layout text.
#ifndef KVB_SRC_TEST_SUPPORT_H_
#define KVB_SRC_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "keyed_file.h"
#include "kvb.h"
#include "layout.h"
#include "testing/pg_server.h"

namespace kvb::test {

// A fresh folder, removed with everything in it at the end of the test; the
// current directory moves into it for the test's duration.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/kvb-test-XXXXXX";
    path_ = mkdtemp(pattern);
    old_cwd_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~ScratchFolder() {
    KVBclose(0);
    std::filesystem::current_path(old_cwd_);
    std::filesystem::remove_all(path_);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  std::filesystem::path old_cwd_;
};

inline void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder);
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline Layout ParseOrDie(const std::string& text) {
  Layout layout;
  std::string error;
  EXPECT_TRUE(ParseLayout(text, "test.FID", &layout, &error)) << error;
  return layout;
}

// Writes layout text to fid_path and makes an empty keyed file for it.
inline void MakeKeyed(const std::string& dat_path, const std::string& fid_path,
                      const std::string& layout_text) {
  WriteFile(fid_path, layout_text);
  std::filesystem::create_directories(std::filesystem::path(dat_path).parent_path());
  StoreCache stores;
  ASSERT_EQ(CreateKeyedFile(stores, dat_path, ParseOrDie(layout_text)), 0);
}

// The two stores a keyed file may live in, for tests run against both.
enum class StoreKind { kSqlite, kPostgres };

inline std::string StoreName(const ::testing::TestParamInfo<StoreKind>& info) {
  return info.param == StoreKind::kSqlite ? "SQLite" : "PostgreSQL";
}

// Maps drive letter to folder, with its keyed files in the folder's SQLite
// store or in a fresh database of the executable's test server.
inline ::testing::AssertionResult MapDrive(char letter, const std::string& folder,
                                           StoreKind kind) {
  const std::string suffix(1, letter);
  setenv(("KVB_DRIVE_" + suffix).c_str(), folder.c_str(), 1);
  unsetenv(("KVB_STORE_" + suffix).c_str());
  if (kind == StoreKind::kSqlite) return ::testing::AssertionSuccess();
  PgServer& server = PgServer::Shared();
  std::string conninfo = server.NewDatabase();
  if (conninfo.empty()) {
    return ::testing::AssertionFailure() << "no PostgreSQL server for the test: " << server.error();
  }
  setenv(("KVB_STORE_" + suffix).c_str(), conninfo.c_str(), 1);
  return ::testing::AssertionSuccess();
}

inline const char kVehicleLayout[] =
    "# vehicles\n"
    "STKNO 6 key\n"
    "ACT 1\n"
    "VIN 17\n"
    "NAME 12\n"
    "DA 9 3\n";

}  // namespace kvb::test

#endif  // KVB_SRC_TEST_SUPPORT_H_

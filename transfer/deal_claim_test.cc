// The claim of the deal file, on a folder of the host's files: what is found,
// what is claimed, and what the end of a run deletes or keeps. (A deal file
// cut short is not claimed: proof/bad_deal_file_test.cc.)
#include "transfer/deal_claim.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "transfer/testing/faulty_file_system.h"

namespace dext {
namespace {

namespace fs = std::filesystem;

const std::string kRecord(249, 'R');
const std::string kDeal = kRecord + "\r\n" + kRecord + "\r\n";

class DealClaimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/dext-claim-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(folder_ / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Finds and claims what the folder holds; the claim or a failure.
  std::unique_ptr<DealFileClaim> Claim(ClaimFailure* failure) {
    DealFileFound found;
    EXPECT_TRUE(FindDealFile(PosixFiles(), folder_, &found, failure)) << failure->message;
    std::unique_ptr<DealFileClaim> claim;
    if (!ClaimDealFile(PosixFiles(), folder_, found, &claim, failure)) return nullptr;
    return claim;
  }

  fs::path folder_;
};

TEST_F(DealClaimTest, ANewDealFileIsRenamedAndLockedAndAStoppedOneComesFirst) {
  Write("DEXT.DAT", kDeal);
  ClaimFailure failure;
  std::unique_ptr<DealFileClaim> claim = Claim(&failure);
  ASSERT_NE(claim, nullptr) << failure.message;
  EXPECT_TRUE(IsClaimedName(claim->name())) << claim->name();
  EXPECT_EQ(claim->name(), "DEXT-" + claim->id() + ".RUN");
  EXPECT_EQ(claim->original(), "DEXT.DAT");
  EXPECT_EQ(Read(claim->name()), kDeal);
  EXPECT_FALSE(fs::exists(folder_ / "DEXT.DAT"));

  // A new DEXT.DAT waits while the stopped run's file is there; a second run
  // finds that file held.
  Write("dext.dat", kDeal);
  EXPECT_EQ(Claim(&failure), nullptr);
  EXPECT_TRUE(failure.another_run);
  EXPECT_EQ(failure.message, "Another DEXT Is Transferring " + claim->name() + " In This Folder");
  const std::string name = claim->name();
  claim.reset();  // the run ends
  std::unique_ptr<DealFileClaim> continued = Claim(&failure);
  ASSERT_NE(continued, nullptr) << failure.message;
  EXPECT_EQ(continued->name(), name);
  EXPECT_EQ(continued->original(), name);
  EXPECT_TRUE(fs::exists(folder_ / "dext.dat"));
  EXPECT_FALSE(IsClaimedName("DEXT-0123456789abcdeg.RUN"));
  EXPECT_TRUE(IsClaimedName("dext-0123456789ABCDEF.run"));
}

// After the last deal read: deleted when nothing was added; kept when deals
// were appended after the last read; deals appended while it is deleted go
// to a claimed file of their own.
TEST_F(DealClaimTest, TheEndDeletesTheFileReadAndKeepsDealsAddedSince) {
  Write("DEXT.DAT", kDeal + kDeal);
  ClaimFailure failure;
  std::unique_ptr<DealFileClaim> claim = Claim(&failure);
  ASSERT_NE(claim, nullptr);
  ClaimEnd end = FinishClaim(PosixFiles(), folder_, *claim, 2);  // one deal read of two
  EXPECT_FALSE(end.deleted);
  EXPECT_EQ(end.more_deals, 1);
  EXPECT_TRUE(fs::exists(folder_ / claim->name()));

  // The writer adds a deal just as the file goes.
  class LateWriter : public testing::FaultyFileSystem {
   public:
    LateWriter(const fs::path& file) : FaultyFileSystem(PosixFiles()), file_(file) {}
    int DeleteFile(const std::string& path) override {
      std::ofstream(file_, std::ios::binary | std::ios::app) << kDeal;
      return FaultyFileSystem::DeleteFile(path);
    }

   private:
    fs::path file_;
  } late(folder_ / claim->name());
  end = FinishClaim(late, folder_, *claim, 4);
  EXPECT_TRUE(end.deleted) << end.why;
  EXPECT_TRUE(end.why.empty()) << end.why;
  EXPECT_EQ(end.more_deals, 1);
  ASSERT_TRUE(IsClaimedName(end.rescued_into)) << end.rescued_into;
  EXPECT_EQ(Read(end.rescued_into), kDeal);
  EXPECT_FALSE(fs::exists(folder_ / claim->name()));
}

}  // namespace
}  // namespace dext

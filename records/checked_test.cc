#include "records/checked.h"

#include <gtest/gtest.h>

#include <functional>

#include "records/fake_library.h"
#include "context/session.h"

namespace dext {
namespace {

class CheckedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSession();
    Session().FileBase = 40;
    library.SetRecord("KCU.DAT", "1HGCM826", {{"NAME", "SMITH"}});
    // The source of the copy.
    ASSERT_EQ(Library().KVBopen("KVIN.DAT", "\\KD\\FF\\KVIN.FID", "", 42, 3, 0), 0);
    library.ClearCalls();
  }
  void TearDown() override { ResetSession(); }
  FakeLibrary library;
};

struct Operation {
  const char* name;
  const char* call;  // the recorded library call
  std::function<int16_t()> run;
  const char* message;  // failing with an I/O error: status 5, secondary code 22
};

// Operations on file 43 (offset 3) with base 40, or on the base itself, in
// an order in which each succeeds after the ones before.
std::vector<Operation> Operations() {
  return {
      {"OpenFile", "KVBopen(KCU.DAT,\\KD\\FF\\KCU.FID,,43,3,0)",
       [] { return OpenFile("KCU.DAT", "\\KD\\FF\\KCU.FID", "", FileNumber{43}, 3, 0); },
       "ID  3, Open Error # 5-22 in "},
      {"MakeFile", "KVBmake(DEX2GL.DAT,,,41,0,0)",
       [] { return MakeFile("DEX2GL.DAT", "", "", FileNumber{41}, 0, 0); },
       "ID  1, Make Error # 5-22 in "},
      {"PutField", "KVBput(D:\\DALVERO,41,-1)",
       [] { return PutField("D:\\DALVERO", FileNumber{41}, -1); },
       "ID  1, Field Put Error # 5-22 in "},
      {"PositionFile", "KVBposn(43,1HGCM826,-1,,256)",
       [] { return PositionFile(FileNumber{43}, "1HGCM826", -1, "", 256); },
       "ID  3, Position Error # 5-22 in "},
      {"LockRecord", "KVBrlock(43)", [] { return LockRecord(FileNumber{43}); },
       "ID  3, Record Lock Error # 5-22 in "},
      {"ReadRecord", "KVBread(43,512)", [] { return ReadRecord(FileNumber{43}, 512); },
       "ID  3, Read Error # 5-22 in "},
      {"CopyRecord", "KVBcopy(42,43)", [] { return CopyRecord(FileNumber{42}, FileNumber{43}); },
       "ID  2, Record Copy Error # 5-22 in "},
      {"ClearRecord", "KVBrclear(43)", [] { return ClearRecord(FileNumber{43}); },
       "ID  3, Record Clear Error # 5-22 in "},
      {"WriteRecord", "KVBwrite(43,1,512)", [] { return WriteRecord(FileNumber{43}, 1, 512); },
       "ID  3, Write Error # 5-22 in "},
      {"SetHost", "KVBhost(40,IBMNET)", [] { return SetHost(40, "IBMNET"); },
       "ID  40, Set Host Error # 5-22 in "},
      {"CloseFile", "KVBclose(43)", [] { return CloseFile(FileNumber{43}); },
       "ID  3, Close Error # 5-22 in "},
      {"CloseAll", "KVBcloseall(40)", [] { return CloseAll(40); },
       "ID  40, Close All Error # 5-22 in "},
  };
}

TEST_F(CheckedTest, SuccessPassesArgumentsAndLeavesErrorInfoAlone) {
  for (const Operation& op : Operations()) {
    library.ClearCalls();
    Session().ErrorInfo.Message = "earlier";
    EXPECT_EQ(op.run(), 0) << op.name;
    ASSERT_EQ(library.calls().size(), 1u) << op.name;  // and no KVBerr
    EXPECT_EQ(library.calls()[0], op.call) << op.name;
    EXPECT_EQ(Session().ErrorInfo.Message, "earlier") << op.name;
  }
}

// The code and the cause of the failure are asked for once each, with the
// base.
TEST_F(CheckedTest, FailureComposesTheErrorTextAndKeepsTheCodeAndTheCause) {
  library.SetText("KVBerrcause", "/srv/F/DLR/KVBSTORE.DB: disk I/O error");
  for (const Operation& op : Operations()) {
    ResetSession();
    Session().FileBase = 40;
    library.ClearCalls();
    library.FailCalls(op.call, KVB_ERR_IO_ERROR, 1);
    EXPECT_EQ(op.run(), 5) << op.name;
    EXPECT_EQ(Session().ErrorInfo.Message, op.message) << op.name;
    EXPECT_EQ(Session().ErrorInfo.Status, 5) << op.name;
    EXPECT_EQ(Session().ErrorInfo.Code, KVB_ERR_IO_ERROR) << op.name;
    EXPECT_EQ(Session().ErrorInfo.Cause, "/srv/F/DLR/KVBSTORE.DB: disk I/O error") << op.name;
    EXPECT_EQ(library.calls(), (std::vector<std::string>{op.call, "KVBerr(40)", "KVBerrcause(40)"}))
        << op.name;
  }
}

// The library's own failures, as libkvb reports them: a read where no
// record is, an operation on a number never opened.
TEST_F(CheckedTest, LibraryFailuresKeepTheirStatusAndCode) {
  ASSERT_EQ(OpenFile("KCU.DAT", "\\KD\\FF\\KCU.FID", "", FileNumber{43}, 3, 0), 0);
  ASSERT_EQ(PositionOnKey(FileNumber{43}, "NOSUCH"), 0);
  EXPECT_EQ(ReadRecord(FileNumber{43}, 512), 1);
  EXPECT_EQ(Session().ErrorInfo.Code, KVB_ERR_NO_RECORD);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  3, Read Error # 1-19 in ");

  EXPECT_EQ(LockRecord(FileNumber{44}), 2);
  EXPECT_EQ(Session().ErrorInfo.Code, KVB_ERR_FILE_NOT_OPEN);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  4, Record Lock Error # 2-9 in ");
}

TEST_F(CheckedTest, ErrorInfoFieldsAndProgramName) {
  Session().ProgramName = "DEXT";
  library.FailCallsWith("KVBcopy", -3, -7);
  EXPECT_EQ(CopyRecord(FileNumber{42}, FileNumber{43}), -3);
  const ErrorRecord& error = Session().ErrorInfo;
  EXPECT_EQ(error.FileOffset, 2);  // the source
  EXPECT_EQ(error.Status, -3);
  EXPECT_EQ(error.ProgramName, "DEXT");
  EXPECT_EQ(error.Message, "ID  2, Record Copy Error # -3--7 in DEXT");

  Session().ProgramName.clear();
  library.FailCallsWith("KVBclose(", -3, 0);
  CloseFile(FileNumber{0});  // the orderly end's close: below the base
  EXPECT_EQ(error.FileOffset, -40);
  EXPECT_EQ(error.Message, "ID  -40, Close Error # -3-0 in ");
}

TEST_F(CheckedTest, SuccessAfterFailureKeepsTheFailure) {
  ASSERT_EQ(PositionOnKey(FileNumber{42}, "A10001"), 0);
  library.FailCalls("KVBrlock", KVB_ERR_LOCKED, 1);
  EXPECT_EQ(LockRecord(FileNumber{42}), 4);
  EXPECT_EQ(LockRecord(FileNumber{42}), 0);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  2, Record Lock Error # 4-20 in ");
  EXPECT_EQ(library.CallsTo("KVBerr").size(), 1u);
}

TEST_F(CheckedTest, OpenAndMakeRememberTheNameCutOrPadded) {
  OpenFile("KVIN.DAT", "", "", FileNumber{45}, 3, 0);
  MakeFile("D:\\DALVERO\\ACCOUNTING\\KJRVH.DAT", "", "", FileNumber{41}, 0, 0);
  const auto& names = Session().OpenFileNames;
  EXPECT_EQ(names[5], "KVIN.DAT            ");
  EXPECT_EQ(names[1], "D:\\DALVERO\\ACCOUNTIN");
  EXPECT_EQ(names[1].size(), 20u);

  // Numbers with no slot store nothing and still reach the library.
  OpenFile("LOW.DAT", "", "", FileNumber{39}, 1, 0);
  MakeFile("HIGH.DAT", "", "", FileNumber{40 + 256}, 1, 0);
  EXPECT_EQ(library.CallsTo("KVBopen").size(), 2u);
  EXPECT_EQ(library.CallsTo("KVBmake").size(), 2u);
  for (const std::string& name : names) {
    EXPECT_EQ(name.find("LOW"), std::string::npos);
    EXPECT_EQ(name.find("HIGH"), std::string::npos);
  }
}

}  // namespace
}  // namespace dext

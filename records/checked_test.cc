#include "records/checked.h"

#include <gtest/gtest.h>

#include <functional>

#include "context/session.h"
#include "records/testing/faulty_library.h"
#include "records/testing/scratch_drive.h"

namespace dext {
namespace {

class CheckedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSession();
    Session().FileBase = 40;
    ASSERT_TRUE(drive_.MakeKeyedFile("KVIN"));
    ASSERT_EQ(Library().KVBopen("F:\\DLR\\KVIN.DAT", "F:\\KD\\FF\\KVIN.FID", "", 42, 3, 0), 0);
    library_.ClearCalls();
  }
  void TearDown() override {
    Library().KVBclose(0);
    ResetSession();
  }
  testing::ScratchDrive drive_;
  FaultyLibrary library_;
};

struct Operation {
  const char* name;
  const char* call;  // the library call
  std::function<int16_t()> run;
  const char* message;  // failing with an I/O error: status 5, secondary code 22
};

// Operations on file 43 (offset 3) with base 40, or on the base itself. (Each
// succeeding with the caller's arguments: every transfer of the proofs.)
std::vector<Operation> Operations() {
  return {
      {"OpenFile", "KVBopen(F:\\DLR\\KCU.DAT,F:\\KD\\FF\\KCU.FID,,43,3,0)",
       [] { return OpenFile("F:\\DLR\\KCU.DAT", "F:\\KD\\FF\\KCU.FID", "", FileNumber{43}, 3, 0); },
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
      {"WriteRecord", "KVBwrite(43,1,512)", [] { return WriteRecord(FileNumber{43}, 1, 512); },
       "ID  3, Write Error # 5-22 in "},
      {"ClearRecord", "KVBrclear(43)", [] { return ClearRecord(FileNumber{43}); },
       "ID  3, Record Clear Error # 5-22 in "},
      {"SetHost", "KVBhost(40,IBMNET)", [] { return SetHost(40, "IBMNET"); },
       "ID  40, Set Host Error # 5-22 in "},
      {"CloseFile", "KVBclose(43)", [] { return CloseFile(FileNumber{43}); },
       "ID  3, Close Error # 5-22 in "},
      {"CloseAll", "KVBcloseall(40)", [] { return CloseAll(40); },
       "ID  40, Close All Error # 5-22 in "},
  };
}

// The code and the cause of the failure are asked for once each, with the
// base.
TEST_F(CheckedTest, FailureComposesTheErrorTextAndKeepsTheCodeAndTheCause) {
  for (const Operation& op : Operations()) {
    ResetSession();
    Session().FileBase = 40;
    library_.ClearCalls();
    library_.FailCalls(op.call, KVB_ERR_IO_ERROR, 1, "/srv/F/DLR/KVBSTORE.DB: disk I/O error");
    EXPECT_EQ(op.run(), 5) << op.name;
    const ErrorRecord& error = Session().ErrorInfo;
    EXPECT_EQ(error.Message, op.message) << op.name;
    EXPECT_EQ(error.Status, 5) << op.name;
    EXPECT_EQ(error.Code, KVB_ERR_IO_ERROR) << op.name;
    EXPECT_EQ(error.Cause, "/srv/F/DLR/KVBSTORE.DB: disk I/O error") << op.name;
    EXPECT_EQ(library_.calls(),
              (std::vector<std::string>{op.call, "KVBerr(40)", "KVBerrcause(40)"}))
        << op.name;
  }
}

// The library's own failures: a read where no record is, an operation on a
// number never opened; the source of a copy is the file named; a failure
// stays recorded after a success.
TEST_F(CheckedTest, LibraryFailuresKeepTheirStatusCodeAndFile) {
  ASSERT_EQ(PositionOnKey(FileNumber{42}, "NOSUCH"), 0);
  EXPECT_EQ(ReadRecord(FileNumber{42}, 512), 1);
  EXPECT_EQ(Session().ErrorInfo.Code, KVB_ERR_NO_RECORD);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  2, Read Error # 1-19 in ");

  Session().ProgramName = "DEXT";
  EXPECT_EQ(CopyRecord(FileNumber{44}, FileNumber{42}), 2);
  EXPECT_EQ(Session().ErrorInfo.Code, KVB_ERR_FILE_NOT_OPEN);
  EXPECT_EQ(Session().ErrorInfo.FileOffset, 4);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  4, Record Copy Error # 2-9 in DEXT");

  EXPECT_EQ(LockRecord(FileNumber{42}), 0);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  4, Record Copy Error # 2-9 in DEXT");
  EXPECT_EQ(library_.CallsTo("KVBerr").size(), 2u);

  library_.FailCalls("KVBclose(", KVB_ERR_IO_ERROR);
  CloseFile(FileNumber{0});  // the orderly end's close: below the base
  EXPECT_EQ(Session().ErrorInfo.FileOffset, -40);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  -40, Close Error # 5-22 in DEXT");
}

TEST_F(CheckedTest, OpenAndMakeRememberTheNameCutOrPadded) {
  OpenFile("KVIN.DAT", "", "", FileNumber{45}, 3, 0);
  MakeFile("D:\\DALVERO\\ACCOUNTING\\KJRVH.DAT", "", "", FileNumber{41}, 0, 0);
  const auto& names = Session().OpenFileNames;
  EXPECT_EQ(names[5], "KVIN.DAT            ");
  EXPECT_EQ(names[1], "D:\\DALVERO\\ACCOUNTIN");
  EXPECT_EQ(OpenedFileName(FileOffset{1}), "D:\\DALVERO\\ACCOUNTING\\KJRVH.DAT");

  // Numbers with no slot store nothing and still reach the library.
  OpenFile("LOW.DAT", "", "", FileNumber{39}, 1, 0);
  MakeFile("HIGH.DAT", "", "", FileNumber{40 + 256}, 1, 0);
  EXPECT_EQ(library_.CallsTo("KVBopen").size(), 2u);
  EXPECT_EQ(library_.CallsTo("KVBmake").size(), 2u);
  for (const std::string& name : names) {
    EXPECT_EQ(name.find("LOW"), std::string::npos);
    EXPECT_EQ(name.find("HIGH"), std::string::npos);
  }
}

}  // namespace
}  // namespace dext

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
    library.SetRecord("KCU.DAT", "", {{"NAME", "SMITH"}});  // for the read after the open
  }
  void TearDown() override { ResetSession(); }
  FakeLibrary library;
};

struct Operation {
  const char* name;
  const char* call;  // the recorded library call
  std::function<int16_t()> run;
  const char* message;  // with status 12 and secondary code 5
};

// Every operation on file 43 (offset 3) with base 40, or on the base itself.
std::vector<Operation> Operations() {
  return {
      {"OpenFile", "KVBopen(KCU.DAT,\\KD\\FF\\KCU.FID,,43,3,0)",
       [] { return OpenFile("KCU.DAT", "\\KD\\FF\\KCU.FID", "", FileNumber{43}, 3, 0); },
       "ID  3, Open Error # 12-5 in "},
      {"MakeFile", "KVBmake(DEX2GL.DAT,,,41,0,0)",
       [] { return MakeFile("DEX2GL.DAT", "", "", FileNumber{41}, 0, 0); }, "ID  1, Make Error # 12-5 in "},
      {"ReadRecord", "KVBread(43,512)", [] { return ReadRecord(FileNumber{43}, 512); },
       "ID  3, Read Error # 12-5 in "},
      {"WriteRecord", "KVBwrite(43,1,512)", [] { return WriteRecord(FileNumber{43}, 1, 512); },
       "ID  3, Write Error # 12-5 in "},
      {"CloseFile", "KVBclose(43)", [] { return CloseFile(FileNumber{43}); },
       "ID  3, Close Error # 12-5 in "},
      {"CloseAll", "KVBcloseall(40)", [] { return CloseAll(40); },
       "ID  40, Close All Error # 12-5 in "},
      {"PositionFile", "KVBposn(43,1HGCM826,-1,,256)",
       [] { return PositionFile(FileNumber{43}, "1HGCM826", -1, "", 256); },
       "ID  3, Position Error # 12-5 in "},
      {"ClearRecord", "KVBrclear(43)", [] { return ClearRecord(FileNumber{43}); },
       "ID  3, Record Clear Error # 12-5 in "},
      {"CopyRecord", "KVBcopy(42,43)", [] { return CopyRecord(FileNumber{42}, FileNumber{43}); },
       "ID  2, Record Copy Error # 12-5 in "},
      {"LockRecord", "KVBrlock(43)", [] { return LockRecord(FileNumber{43}); },
       "ID  3, Record Lock Error # 12-5 in "},
      {"SetHost", "KVBhost(40,IBMNET)", [] { return SetHost(40, "IBMNET"); },
       "ID  40, Set Host Error # 12-5 in "},
      {"PutField", "KVBput(D:\\DALVERO,43,-1)", [] { return PutField("D:\\DALVERO", FileNumber{43}, -1); },
       "ID  3, Field Put Error # 12-5 in "},
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

TEST_F(CheckedTest, FailureComposesTheErrorTextAndAsksKvberrOnceWithTheBase) {
  library.secondary_code = 5;
  for (const Operation& op : Operations()) {
    ResetSession();
    Session().FileBase = 40;
    library.ClearCalls();
    library.FailCalls(op.call, 12, 1);
    EXPECT_EQ(op.run(), 12) << op.name;
    EXPECT_EQ(Session().ErrorInfo.Message, op.message) << op.name;
    EXPECT_EQ(Session().ErrorInfo.Status, 12) << op.name;
    EXPECT_EQ(library.calls(), (std::vector<std::string>{op.call, "KVBerr(40)"})) << op.name;
  }
}

TEST_F(CheckedTest, ErrorInfoFieldsAndProgramName) {
  library.secondary_code = -7;
  Session().ProgramName = "DEXT";
  library.FailCalls("KVBcopy", -3);
  EXPECT_EQ(CopyRecord(FileNumber{42}, FileNumber{43}), -3);
  const ErrorRecord& error = Session().ErrorInfo;
  EXPECT_EQ(error.FileOffset, 2);  // the source
  EXPECT_EQ(error.Status, -3);
  EXPECT_EQ(error.ProgramName, "DEXT");
  EXPECT_EQ(error.Message, "ID  2, Record Copy Error # -3--7 in DEXT");

  Session().ProgramName.clear();
  library.secondary_code = 0;
  library.FailCalls("KVBclose(", -3);
  CloseFile(FileNumber{0});  // the orderly end's close: below the base
  EXPECT_EQ(error.FileOffset, -40);
  EXPECT_EQ(error.Message, "ID  -40, Close Error # -3-0 in ");
}

TEST_F(CheckedTest, SuccessAfterFailureKeepsTheFailure) {
  library.FailCalls("KVBrlock", 9, 1);
  EXPECT_EQ(LockRecord(FileNumber{45}), 9);
  EXPECT_EQ(LockRecord(FileNumber{45}), 0);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  5, Record Lock Error # 9-0 in ");
  EXPECT_EQ(library.CallsTo("KVBerr").size(), 1u);
}

TEST_F(CheckedTest, OpenAndMakeRememberTheNameCutOrPadded) {
  library.FailCalls("KVBopen", 1);
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

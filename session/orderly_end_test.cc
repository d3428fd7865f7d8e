#include "session/orderly_end.h"

#include <gtest/gtest.h>

#include "records/checked.h"
#include "context/session.h"
#include "records/testing/faulty_library.h"
#include "toolkit/front_end.h"

namespace dext {
namespace {

constexpr char kAdvice[] = "The deal file is kept: fix this and run DEXT again.";

struct Box {
  std::string text;
  int style;
  std::string title;
};

class BoxRecorder : public toolkit::FrontEnd {
 public:
  explicit BoxRecorder(FaultyLibrary& library) : library_(library) {}
  void ShowMessage(const std::string& text, int style, const std::string& title) override {
    boxes.push_back(Box{text, style, title});
    calls_while_shown = library_.calls().size();
  }
  void Beep() override {}
  std::vector<Box> boxes;
  std::size_t calls_while_shown = 0;

 private:
  FaultyLibrary& library_;
};

class OrderlyEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSession();
    Session().FileBase = 40;
    toolkit::SetFrontEnd(&screen);
  }
  void TearDown() override {
    toolkit::SetFrontEnd(nullptr);
    ResetSession();
  }
  // How run ends the program: thrown to the end (ProgramEnd), or stopped,
  // as main() ends a stop (EndOnStop).
  ExitStatus EndStatus(void (*run)()) {
    try {
      run();
    } catch (const ProgramEnd& end) {
      return end.status;
    } catch (const Stop& stop) {
      return EndOnStop(StopText(stop, kAdvice));
    }
    ADD_FAILURE() << "the program did not end";
    return ExitStatus::kTransferred;
  }
  FaultyLibrary library;
  BoxRecorder screen{library};
};

TEST_F(OrderlyEndTest, EndProgramClosesFileZeroAndReinitialisesWithTheBase) {
  EXPECT_EQ(EndStatus([] { EndProgram(ExitStatus::kCancelled); }), ExitStatus::kCancelled);
  EXPECT_EQ(library.calls(), (std::vector<std::string>{"KVBclose(0)", "KVBinit(40)"}));
  EXPECT_TRUE(screen.boxes.empty());
}

TEST_F(OrderlyEndTest, FailuresInsideEndProgramAreIgnored) {
  library.FailCalls("KVBclose(0)", KVB_ERR_IO_ERROR);
  EXPECT_EQ(EndStatus([] { EndProgram(ExitStatus::kTransferred); }), ExitStatus::kTransferred);
  EXPECT_EQ(library.calls(), (std::vector<std::string>{"KVBclose(0)", "KVBerr(40)",
                                                       "KVBerrcause(40)", "KVBinit(40)"}));
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  -40, Close Error # 5-22 in ");
  EXPECT_TRUE(screen.boxes.empty());  // filled, never shown
}

// The start of a transfer closes all files; when that fails the user sees
// the close-all text in the error box, and after OK the program ends.
TEST_F(OrderlyEndTest, FailedCloseAllAtTheStartEndsThroughTheErrorBox) {
  library.FailCalls("KVBcloseall", KVB_ERR_DISK_FULL, -1,
                    "/srv/F/DLR/KVBSTORE.DB: database or disk is full");
  ExitStatus status = EndStatus([] {
    Session().LastStatus = CloseAll(Session().FileBase);
    if (Session().LastStatus != 0) ShowErrorAndEnd();
    Session().LastStatus = SetHost(Session().FileBase, "IBMNET");  // never reached
  });
  EXPECT_EQ(status, ExitStatus::kFailed);
  ASSERT_EQ(screen.boxes.size(), 1u);
  // The system's text first; below it the library's words for the code, the
  // cause it gave, and what is safe to do.
  EXPECT_EQ(screen.boxes[0].text,
            "ID  40, Close All Error # 5-23 in \ndisk full.\n"
            "Cause: /srv/F/DLR/KVBSTORE.DB: database or disk is full\n" +
                std::string(kAdvice));
  EXPECT_EQ(screen.boxes[0].title, "Error");
  EXPECT_EQ(screen.boxes[0].style, 48);
  // A deal still open is rolled back and the files closed (their record
  // locks with them) before the box; the program ends after OK.
  EXPECT_EQ(library.calls(),
            (std::vector<std::string>{"KVBcloseall(40)", "KVBerr(40)", "KVBerrcause(40)",
                                      "KVBerrtext(23)", "KVBrollback(40)", "KVBcloseall(40)",
                                      "KVBclose(0)", "KVBinit(40)"}));
  EXPECT_EQ(screen.calls_while_shown, 6u);
  EXPECT_EQ(Session().LastStatus, 5);
}

}  // namespace
}  // namespace dext

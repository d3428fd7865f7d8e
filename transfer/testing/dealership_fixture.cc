#include "transfer/testing/dealership_fixture.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "kvb.h"
#include "records/checked.h"
#include "records/library.h"
#include "records/line_output.h"
#include "records/numeric.h"
#include "screen/transfer_form.h"
#include "session/session.h"
#include "session/start.h"
#include "toolkit/front_end.h"
#include "toolkit/front_ends.h"
#include "toolkit/headless.h"
#include "transfer/deal_columns.h"
#include "transfer/postings.h"
#include "transfer/transfer.h"

extern char** environ;

namespace dext::testing {
namespace fs = std::filesystem;

namespace {

std::ostringstream message_log;
std::vector<std::string> messages;
toolkit::HeadlessFrontEnd* front_end = nullptr;

}  // namespace

std::string KvbtoolPath() { return KVBTOOL_PATH; }
std::string DextSamplePath() { return DEXT_SAMPLE_PATH; }

int RunKvbtool(const std::vector<std::string>& words) {
  std::vector<std::string> all = {KvbtoolPath()};
  all.insert(all.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : all) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void DealershipTest::SetUp() {
  char pattern[] = "/tmp/dext-transfer-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  root_ = pattern;
  data_ = root_ / "F" / "DLR";
  work_ = root_ / "work";
  fs::create_directories(root_ / "F" / "KD" / "FF");
  fs::create_directories(data_);
  fs::create_directories(work_);
  for (const char* name : {"KVIN.FID", "KJRVH.FID", "KJRTH.FID", "KCU.FID"}) {
    fs::copy_file(fs::path(DEXT_LAYOUTS_DIR) / name, root_ / "F" / "KD" / "FF" / name);
  }
  setenv("KVB_DRIVE_F", (root_ / "F").c_str(), 1);
  previous_directory_ = fs::current_path();
  fs::current_path(work_);

  messages.clear();
  message_log.str("");
  front_end = new toolkit::HeadlessFrontEnd(message_log);
  front_end->on_message = [](const std::string& text) { messages.push_back(text); };
  toolkit::SetFrontEnd(front_end);

  NewSession();
}

void DealershipTest::NewSession() {
  if (TransferFormExists()) DestroyTransferForm();
  ResetSession();
  BindLibrary(LibKvb());
  StartSession("");
}

std::optional<ExitStatus> DealershipTest::RunDext(const std::string& keys) {
  front_end->Script(toolkit::ParseKeyScript(keys));
  return RunUntilEnd([] {
    StartTransfer();
    toolkit::RunEventLoop();
  });
}

std::optional<ExitStatus> DealershipTest::PressKeys(const std::string& keys) {
  front_end->Script(toolkit::ParseKeyScript(keys));
  return RunUntilEnd([] { toolkit::RunEventLoop(); });
}

bool DealershipTest::MakeSample(int deals, int vehicles, int seed) {
  setenv("KVBTOOL", KvbtoolPath().c_str(), 1);
  // --force: root_ already holds the layouts and folders SetUp made.
  const std::string command = DextSamplePath() + " '" + root_.string() + "' --force --deals " +
                              std::to_string(deals) + " --vehicles " + std::to_string(vehicles) +
                              " --seed " + std::to_string(seed) + " >/dev/null";
  return std::system(command.c_str()) == 0;
}

void DealershipTest::OnMessage(std::function<void(const std::string&)> action) {
  front_end->on_message = [action](const std::string& text) {
    messages.push_back(text);
    action(text);
  };
}

bool DealershipTest::Exists(const fs::path& path) const {
  std::error_code error;
  return fs::exists(path, error);
}

std::string DealershipTest::ReadText(const fs::path& path) const {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void DealershipTest::WriteText(const fs::path& path, const std::string& text) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void DealershipTest::TearDown() {
  Library().KVBcloseall(Session().FileBase);
  Library().KVBinit(Session().FileBase);
  toolkit::SetFrontEnd(nullptr);
  delete front_end;
  front_end = nullptr;
  fs::current_path(previous_directory_);
  std::error_code ignored;
  if (!HasFailure()) fs::remove_all(root_, ignored);
}

void DealershipTest::MakeKeyedFiles(bool with_kjrvh, bool with_kjrth) {
  const fs::path layouts = root_ / "F" / "KD" / "FF";
  std::vector<std::string> names = {"KCU", "KVIN"};
  if (with_kjrvh) names.push_back("KJRVH");
  if (with_kjrth) names.push_back("KJRTH");
  for (const std::string& name : names) {
    ASSERT_EQ(RunKvbtool({"create", (data_ / (name + ".DAT")).string(),
                          (layouts / (name + ".FID")).string()}),
              0)
        << name;
  }
}

void DealershipTest::OpenTargetFiles(const std::string& accounting) {
  SessionContext& session = Session();
  Library().KVBautosecure(1);
  auto open = [&](const std::string& name, int16_t offset) {
    ASSERT_EQ(OpenFile("F:\\DLR\\" + name + ".DAT", "F:\\KD\\FF\\" + name + ".FID", "",
                       TransferFile(offset), 3, 0),
              0)
        << session.ErrorInfo.Message;
  };
  open(accounting, kAccountingFile);
  open("KCU", kCustomerFile);
  open("KVIN", kInventoryFile);
  session.LongSlot[8] = accounting == "KJRVH" ? 21 : 15;
  session.LongSlot[9] = accounting == "KJRVH" ? 22 : 16;
}

void DealershipTest::StoreRecord(int16_t offset, const Fields& fields) {
  ASSERT_EQ(ClearRecord(TransferFile(offset)), 0);
  for (const auto& [name, value] : fields) {
    const size_t dot = name.find('.');
    const int16_t occurrence =
        dot == std::string::npos ? 0 : static_cast<int16_t>(std::stoi(name.substr(dot + 1)));
    ASSERT_EQ(Library().KVBfput(value.c_str(), name.substr(0, dot).c_str(), TransferFile(offset),
                                occurrence, 0),
              0)
        << name;
  }
  ASSERT_EQ(WriteRecord(TransferFile(offset), 1, 512), 0) << Session().ErrorInfo.Message;
}

bool DealershipTest::LoadRecord(int16_t offset, const std::string& key) {
  EXPECT_EQ(PositionFile(TransferFile(offset), key, -1, "", 256), 0);
  return ReadRecord(TransferFile(offset), 512) == 0;
}

std::string DealershipTest::Field(int16_t offset, const std::string& name, int16_t occurrence) {
  return TrimRight(FieldValue(name, TransferFile(offset), occurrence));
}

std::string DealershipTest::Dump(const std::string& data_file, const std::string& key) {
  const std::string command = KvbtoolPath() + " dump '" + (data_ / data_file).string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "";
  std::string header, line, found;
  char buffer[8192];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
    line = buffer;
    if (header.empty()) header = line;
    else if (line.find(key) != std::string::npos) found += line;
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  EXPECT_FALSE(header.empty()) << command << " printed nothing";
  return header + found;
}

void DealershipTest::BeginDeal(const DealRecords& deal) {
  SessionContext& session = Session();
  session.TextSlot[1] = deal.first.Text();
  session.TextSlot[2] = deal.second.Text();
  session.TextSlot[5] = DealColumns(session.TextSlot[1], 1, 6);
  ASSERT_TRUE(LoadRecord(kInventoryFile, session.TextSlot[5])) << "no vehicle " << session.TextSlot[5];
}

std::optional<ExitStatus> DealershipTest::RunUntilEnd(const std::function<void()>& step) {
  try {
    step();
  } catch (const ProgramEnd& end) {
    return end.status;
  }
  return std::nullopt;
}

const std::vector<std::string>& DealershipTest::Messages() const { return messages; }

}  // namespace dext::testing

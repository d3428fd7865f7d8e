#include "record_store.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "status.h"

namespace kvb {
namespace {

// Writes counted across every store opened under KVB_FAULT_AT.
long process_writes = 0;

class EnvironmentFaultStore : public RecordStoreWrapper {
 public:
  EnvironmentFaultStore(std::unique_ptr<RecordStore> target, long fail_at, bool kill)
      : RecordStoreWrapper(std::move(target)), fail_at_(fail_at), kill_(kill) {}
  int16_t Put(std::string_view key, std::string_view record) override {
    return Hit() ? kIoError : RecordStoreWrapper::Put(key, record);
  }
  int16_t Commit() override { return Hit() ? kIoError : RecordStoreWrapper::Commit(); }
  int16_t Sync() override { return Hit() ? kIoError : RecordStoreWrapper::Sync(); }

 private:
  bool Hit() {
    if (++process_writes != fail_at_) return false;
    if (kill_) kill(getpid(), SIGKILL);
    return true;
  }
  long fail_at_;
  bool kill_;
};

}  // namespace

bool FaultInjectingStore::ShouldFail() {
  ++writes_;
  if (!failing_ && writes_ != fail_at_) return false;
  if (kill_) kill(getpid(), SIGKILL);
  return true;
}

int16_t FaultInjectingStore::Get(std::string_view key, std::string* record) {
  return failing_ ? kIoError : RecordStoreWrapper::Get(key, record);
}

int16_t FaultInjectingStore::Put(std::string_view key, std::string_view record) {
  return ShouldFail() ? kIoError : RecordStoreWrapper::Put(key, record);
}

int16_t FaultInjectingStore::Commit() {
  return ShouldFail() ? kIoError : RecordStoreWrapper::Commit();
}

int16_t FaultInjectingStore::Sync() { return ShouldFail() ? kIoError : RecordStoreWrapper::Sync(); }

std::unique_ptr<RecordStore> WrapForFaultTests(std::unique_ptr<RecordStore> store) {
  const char* at = std::getenv("KVB_FAULT_AT");
  if (at == nullptr || std::atol(at) <= 0) return store;
  const char* kill = std::getenv("KVB_FAULT_KILL");
  bool kill_mode = kill != nullptr && std::string_view(kill) == "1";
  return std::make_unique<EnvironmentFaultStore>(std::move(store), std::atol(at), kill_mode);
}

}  // namespace kvb

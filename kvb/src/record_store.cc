#include "record_store.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "status.h"

namespace kvb {
namespace {

// Writes and record reads counted across every store opened under the
// fault switches.
long process_writes = 0;
long process_reads = 0;

struct EnvironmentFaults {
  long write_at = 0;  // KVB_FAULT_AT
  long read_at = 0;   // KVB_FAULT_READ_AT
  bool kill = false;  // KVB_FAULT_KILL=1
  int16_t code = kIoError;  // KVB_FAULT_CODE=23: disk full
};

long PositiveNumber(const char* name) {
  const char* text = std::getenv(name);
  return text == nullptr ? 0 : std::max(0L, std::atol(text));
}

class EnvironmentFaultStore : public RecordStoreWrapper {
 public:
  EnvironmentFaultStore(std::unique_ptr<RecordStore> target, const EnvironmentFaults& faults)
      : RecordStoreWrapper(std::move(target)), faults_(faults) {}
  int16_t Get(std::string_view key, std::string* record) override {
    return Hit(&process_reads, faults_.read_at) ? faults_.code
                                                : RecordStoreWrapper::Get(key, record);
  }
  int16_t Put(std::string_view key, std::string_view record) override {
    return HitWrite() ? faults_.code : RecordStoreWrapper::Put(key, record);
  }
  int16_t Commit() override { return HitWrite() ? faults_.code : RecordStoreWrapper::Commit(); }
  int16_t Sync() override { return HitWrite() ? faults_.code : RecordStoreWrapper::Sync(); }

 private:
  bool HitWrite() { return Hit(&process_writes, faults_.write_at); }
  bool Hit(long* count, long at) {
    if (++*count != at) return false;
    if (faults_.kill) kill(getpid(), SIGKILL);
    return true;
  }
  EnvironmentFaults faults_;
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
  EnvironmentFaults faults;
  faults.write_at = PositiveNumber("KVB_FAULT_AT");
  faults.read_at = PositiveNumber("KVB_FAULT_READ_AT");
  if (faults.write_at == 0 && faults.read_at == 0) return store;
  faults.kill = PositiveNumber("KVB_FAULT_KILL") == 1;
  if (PositiveNumber("KVB_FAULT_CODE") == kDiskFull) faults.code = kDiskFull;
  return std::make_unique<EnvironmentFaultStore>(std::move(store), faults);
}

}  // namespace kvb

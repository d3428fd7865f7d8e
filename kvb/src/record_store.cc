#include "record_store.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "cause.h"
#include "status.h"

namespace kvb {
namespace {

// A table whose reads and writes its store may fail.
class CheckedTable : public RecordTable {
 public:
  CheckedTable(std::unique_ptr<RecordTable> target, CheckedStore* store)
      : target_(std::move(target)), store_(store) {}
  int16_t ReadLayout(std::string* canonical) override { return target_->ReadLayout(canonical); }
  int16_t Get(std::string_view key, std::string* record) override {
    int16_t code = store_->BeforeRead();
    return code != kNone ? code : target_->Get(key, record);
  }
  int16_t Put(std::string_view key, std::string_view record) override {
    int16_t code = store_->BeforeWrite();
    return code != kNone ? code : target_->Put(key, record);
  }
  int16_t Delete(std::string_view key) override {
    int16_t code = store_->BeforeWrite();
    return code != kNone ? code : target_->Delete(key);
  }
  int16_t Scan(const std::function<bool(std::string_view)>& visit) override {
    return target_->Scan(visit);
  }
  bool Prefetch(std::string_view key) override { return target_->Prefetch(key); }

 private:
  std::unique_ptr<RecordTable> target_;
  CheckedStore* store_;
};

#ifndef KVB_NO_FAULT_SWITCHES
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

class EnvironmentFaultStore : public CheckedStore {
 public:
  EnvironmentFaultStore(std::unique_ptr<RecordStore> target, const EnvironmentFaults& faults)
      : CheckedStore(std::move(target)), faults_(faults) {}
  int16_t BeforeRead() override {
    return Hit(&process_reads, faults_.read_at, "KVB_FAULT_READ_AT");
  }
  int16_t BeforeWrite() override { return Hit(&process_writes, faults_.write_at, "KVB_FAULT_AT"); }

 private:
  int16_t Hit(long* count, long at, const char* name) {
    if (++*count != at) return kNone;
    if (faults_.kill) kill(getpid(), SIGKILL);
    return WithCause(faults_.code,
                     std::string(faults_.code == kDiskFull ? "disk full" : "failure") +
                         " made on purpose by the fault switch " + name + "=" + std::to_string(at));
  }
  EnvironmentFaults faults_;
};
#endif  // KVB_NO_FAULT_SWITCHES

}  // namespace

int16_t CheckedStore::OpenTable(const std::string& name, std::unique_ptr<RecordTable>* table) {
  std::unique_ptr<RecordTable> real;
  int16_t code = RecordStoreWrapper::OpenTable(name, &real);
  if (code == kNone) *table = std::make_unique<CheckedTable>(std::move(real), this);
  return code;
}

int16_t CheckedStore::Commit() {
  int16_t code = BeforeWrite();
  return code != kNone ? code : RecordStoreWrapper::Commit();
}

int16_t CheckedStore::Sync() {
  int16_t code = BeforeWrite();
  return code != kNone ? code : RecordStoreWrapper::Sync();
}

int16_t FaultInjectingStore::BeforeRead() { return failing_ ? kIoError : kNone; }

int16_t FaultInjectingStore::BeforeWrite() {
  ++writes_;
  if (!failing_ && writes_ != fail_at_) return kNone;
  if (kill_) kill(getpid(), SIGKILL);
  return kIoError;
}

std::unique_ptr<RecordStore> WrapForFaultTests(std::unique_ptr<RecordStore> store) {
#ifdef KVB_NO_FAULT_SWITCHES
  return store;
#else
  EnvironmentFaults faults;
  faults.write_at = PositiveNumber("KVB_FAULT_AT");
  faults.read_at = PositiveNumber("KVB_FAULT_READ_AT");
  if (faults.write_at == 0 && faults.read_at == 0) return store;
  faults.kill = PositiveNumber("KVB_FAULT_KILL") == 1;
  if (PositiveNumber("KVB_FAULT_CODE") == kDiskFull) faults.code = kDiskFull;
  return std::make_unique<EnvironmentFaultStore>(std::move(store), faults);
#endif
}

}  // namespace kvb

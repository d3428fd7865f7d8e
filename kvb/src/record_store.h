// Storage of a keyed record file: fixed-width records by key, plus the
// layout the file was made with. Every call returns kNone or a secondary code.
#ifndef KVB_SRC_RECORD_STORE_H_
#define KVB_SRC_RECORD_STORE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kvb {

class RecordStore {
 public:
  virtual ~RecordStore() = default;

  // The canonical layout stored when the file was made.
  virtual int16_t ReadLayout(std::string* canonical) = 0;

  // kNone with *record filled, kNoRecord, or an error.
  virtual int16_t Get(std::string_view key, std::string* record) = 0;
  // Inserts or replaces, as one transaction unless inside Begin/Commit.
  virtual int16_t Put(std::string_view key, std::string_view record) = 0;
  // Every record in key order; stops early when visit returns false.
  virtual int16_t Scan(const std::function<bool(std::string_view record)>& visit) = 0;

  // Groups many Puts into one transaction (bulk loads). Rollback undoes them.
  virtual int16_t Begin() = 0;
  virtual int16_t Commit() = 0;
  virtual void Rollback() = 0;

  // durable: every committed Put is on disk before Put returns.
  virtual int16_t SetDurable(bool durable) = 0;
  // Makes every committed Put durable now.
  virtual int16_t Sync() = 0;
};

// Forwards every call to another store (the base of test wrappers).
class RecordStoreWrapper : public RecordStore {
 public:
  explicit RecordStoreWrapper(std::unique_ptr<RecordStore> target) : target_(std::move(target)) {}
  int16_t ReadLayout(std::string* canonical) override { return target_->ReadLayout(canonical); }
  int16_t Get(std::string_view key, std::string* record) override {
    return target_->Get(key, record);
  }
  int16_t Put(std::string_view key, std::string_view record) override {
    return target_->Put(key, record);
  }
  int16_t Scan(const std::function<bool(std::string_view)>& visit) override {
    return target_->Scan(visit);
  }
  int16_t Begin() override { return target_->Begin(); }
  int16_t Commit() override { return target_->Commit(); }
  void Rollback() override { target_->Rollback(); }
  int16_t SetDurable(bool durable) override { return target_->SetDurable(durable); }
  int16_t Sync() override { return target_->Sync(); }

 private:
  std::unique_ptr<RecordStore> target_;
};

// Fails writes on a switch: while failing_ is set, or at the n-th write
// (Put, Commit, Sync) counted from construction, the call returns kIoError
// without reaching the real store, or, in kill mode, the process dies on the
// spot (SIGKILL) as in a power cut or crash.
class FaultInjectingStore : public RecordStoreWrapper {
 public:
  using RecordStoreWrapper::RecordStoreWrapper;

  void SetFailing(bool failing) { failing_ = failing; }
  void FailAtWrite(long n, bool kill) {
    fail_at_ = n;
    kill_ = kill;
  }
  long writes() const { return writes_; }

  int16_t Get(std::string_view key, std::string* record) override;
  int16_t Put(std::string_view key, std::string_view record) override;
  int16_t Commit() override;
  int16_t Sync() override;

 private:
  bool ShouldFail();
  bool failing_ = false;
  bool kill_ = false;
  long fail_at_ = 0;
  long writes_ = 0;
};

// Wraps store in a fault-injecting store when the environment asks for it:
// KVB_FAULT_AT=n fails the n-th write of the process (counting across all
// stores), KVB_FAULT_READ_AT=n the n-th record read; KVB_FAULT_KILL=1 kills
// the process there instead. The failure is an input/output error (22), or
// disk full with KVB_FAULT_CODE=23. For crash and fault tests only; unset,
// the store is returned as it is.
std::unique_ptr<RecordStore> WrapForFaultTests(std::unique_ptr<RecordStore> store);

}  // namespace kvb

#endif  // KVB_SRC_RECORD_STORE_H_

#include "tools/kvbtool/load_sink.h"

#include <thread>

#include "platform/cp1252.h"
#include "status.h"

namespace kvbtool {
namespace {

constexpr std::chrono::milliseconds kLockPoll{50};

// The columns of the layout whose values differ between two records.
std::string ChangedColumns(const kvb::Layout& layout, const std::string& before,
                           const std::string& after) {
  std::string changed;
  for (const Column& column : ColumnsOf(layout)) {
    const size_t at = static_cast<size_t>(column.offset), width = column.field->width;
    if (before.compare(at, width, after, at, width) == 0) continue;
    changed += (changed.empty() ? "" : ", ") + column.name;
  }
  return changed.empty() ? "no field changes" : changed;
}

std::string Shown(std::string_view key) { return platform::Utf8FromCp1252(TrimRight(key)); }

// A record at a time: position, look at the record's lock (waiting while
// another open holds it), read, merge, write. The store's transaction is
// open, so the read and the write are one unit against other writers: a
// holder that takes the lock after the look reads the record only once this
// load has committed or rolled back.
class RecordAtATime : public LoadSink {
 public:
  RecordAtATime(kvb::KeyedFile& file, const SinkOptions& options, std::ostream& out)
      : file_(file), options_(options), out_(out) {}

  int16_t Add(const std::string& key, const std::string& record) override {
    if (int16_t code = file_.Position(key); code != kvb::kNone) return code;
    if (int16_t code = LockWaiting(key); code != kvb::kNone) return code;
    std::string before;
    int16_t code = file_.Read();
    if (code == kvb::kNone) {
      before = file_.buffer().bytes();
    } else if (code != kvb::kNoRecord) {
      return code;
    }
    std::string after = record;
    if (!before.empty() && !options_.replace) {
      after = before;
      for (const Column& column : options_.columns) {
        after.replace(column.offset, column.field->width, record, column.offset,
                      column.field->width);
      }
    }
    if (options_.dry_run) {
      out_ << (before.empty() ? "add " + Shown(key)
                              : "replace " + Shown(key) + ": " +
                                    ChangedColumns(file_.layout(), before, after))
           << "\n";
    }
    ++(before.empty() ? added_ : replaced_);
    if (!file_.buffer().Assign(after)) return kvb::kNotOurs;
    return file_.Write();
  }
  int16_t Finish() override { return kvb::kNone; }
  long added() const override { return added_; }
  long replaced() const override { return replaced_; }
  std::string locked_key() const override { return locked_key_; }

 private:
  int16_t LockWaiting(const std::string& key) {
    const auto deadline = std::chrono::steady_clock::now() + options_.lock_wait;
    for (;;) {
      const int16_t code = file_.TestLock();
      if (code != kvb::kLocked) return code;
      if (std::chrono::steady_clock::now() >= deadline) {
        locked_key_ = key;
        return code;
      }
      std::this_thread::sleep_for(kLockPoll);
    }
  }

  kvb::KeyedFile& file_;
  SinkOptions options_;
  std::ostream& out_;
  long added_ = 0, replaced_ = 0;
  std::string locked_key_;
};

class Bulk : public LoadSink {
 public:
  explicit Bulk(std::unique_ptr<kvb::PgBulkLoad> load) : load_(std::move(load)) {}
  int16_t Add(const std::string& key, const std::string& record) override {
    return load_->Add(key, record);
  }
  int16_t Finish() override { return load_->Finish(); }
  long added() const override { return load_->added(); }
  long replaced() const override { return load_->replaced(); }
  std::string locked_key() const override { return load_->locked_key(); }
  bool batched() const override { return true; }

 private:
  std::unique_ptr<kvb::PgBulkLoad> load_;
};

}  // namespace

std::unique_ptr<LoadSink> NewLoadSink(kvb::KeyedFile& file, const std::string& server_name,
                                      const SinkOptions& options, std::ostream& out) {
  if (!options.dry_run && !server_name.empty()) {
    std::vector<kvb::ByteRange> merged;
    if (!options.replace) {
      for (const Column& column : options.columns) {
        merged.push_back({column.offset, column.field->width});
      }
    }
    if (auto load = kvb::PgBulkLoad::ForTable(file.table(), server_name, std::move(merged))) {
      load->set_lock_wait(options.lock_wait);
      return std::make_unique<Bulk>(std::move(load));
    }
  }
  return std::make_unique<RecordAtATime>(file, options, out);
}

}  // namespace kvbtool

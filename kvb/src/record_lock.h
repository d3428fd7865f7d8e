// Record locks of one open keyed file.
//
// Each open file has its own open file description of a lock file beside the
// data file ("KVIN.DAT" -> "KVIN.DAT-lock"), named after the file's real path
// (symbolic links resolved) so that every path to one file finds the same
// lock file; hard links do not (each name has its own). It locks one byte, at an
// offset given by a hash of the key, with an open-file-description lock
// (F_OFD_SETLK). Such locks belong to the open file description, so two opens
// in one process contend like two processes, closing another descriptor of
// the file does not drop them, and the kernel drops them when the holder
// dies. Two keys whose hashes collide contend with each other (a false
// "locked", never a missed one); with 46 bits of hash that is vanishingly
// rare. Locks are advisory: they keep out other lockers, not writers.
#ifndef KVB_SRC_RECORD_LOCK_H_
#define KVB_SRC_RECORD_LOCK_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kvb {

// The record lock of one open keyed file: at most one key at a time.
class KeyLock {
 public:
  virtual ~KeyLock() = default;
  // Locks key, releasing any other key held: kNone, kLocked (held by another
  // open of the file) or the reason the lock could not be taken. A key
  // already held succeeds again.
  virtual int16_t Lock(std::string_view key) = 0;
  // Releases the held key, if any.
  virtual void Release() = 0;
  virtual bool holds(std::string_view key) const = 0;
  // kNone when no other open of the file holds key's lock, kLocked when one
  // does, or the reason it cannot be told; takes no lock (by default it takes
  // the lock and lets it go again).
  virtual int16_t Test(std::string_view key);
};

// The byte of the lock file that a record lock of key (padded to the key
// field's width) takes.
int64_t RecordLockOffset(std::string_view key);

// The lock of a file in a folder's SQLite store.
class RecordLock : public KeyLock {
 public:
  // Opens (creating when needed) the lock file for a data file, which must
  // exist.
  explicit RecordLock(const std::string& data_host_path);
  ~RecordLock() override;
  RecordLock(const RecordLock&) = delete;
  RecordLock& operator=(const RecordLock&) = delete;

  // kNone, kLocked or kIoError.
  int16_t Lock(std::string_view key) override;
  void Release() override;
  bool holds(std::string_view key) const override { return held_ && held_key_ == key; }
  // One look at the lock file (F_OFD_GETLK), without taking the lock.
  int16_t Test(std::string_view key) override;

 private:
  int fd_ = -1;
  std::string path_;    // of the lock file, for causes
  int open_error_ = 0;  // errno when the lock file could not be opened
  bool held_ = false;
  std::string held_key_;
  int64_t held_offset_ = 0;
};

}  // namespace kvb

#endif  // KVB_SRC_RECORD_LOCK_H_

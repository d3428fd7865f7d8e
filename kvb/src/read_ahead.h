// The records a transaction on a server store was told it will read next
// (KVBprefetch), and those fetched already, by file and key.
//
// A record is fetched inside the transaction under the row lock of a read to
// be written back, so no other transaction can change it until this one
// ends; what was fetched therefore stays true for this transaction, except
// for its own writes, which forget the key. A key fetched and found absent
// stays absent for the transaction as at the moment of the fetch (another
// transaction may insert it meanwhile, as it may between any read and a
// later write of a record that is not there).
#ifndef KVB_SRC_READ_AHEAD_H_
#define KVB_SRC_READ_AHEAD_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace kvb {

class ReadAhead {
 public:
  struct Key {
    std::string file;  // the store's own name of the file
    std::string key;   // normalized to the key field's width
    bool operator<(const Key& other) const {
      return std::tie(file, key) < std::tie(other.file, other.key);
    }
    bool operator==(const Key& other) const = default;
  };

  // Notes that key of file will be read; nothing when it is named or fetched
  // already.
  void Name(std::string_view file, std::string_view key);
  // The keys named and not yet fetched, in the order named, apart from
  // `except` (a read that goes to the server anyway); they are no longer
  // named afterwards.
  std::vector<Key> TakeNamed(const Key& except);
  // Keeps what a fetch found: the record, or none.
  void Keep(Key key, std::optional<std::string> record);
  // What was fetched for key, handed over once: true with *record (nullopt
  // for a record that is not there), or false when nothing was.
  bool Take(const Key& key, std::optional<std::string>* record);
  // The transaction wrote or deleted key: what was fetched is not it now.
  void Forget(const Key& key);
  // The transaction ended.
  void Clear();

 private:
  std::vector<Key> named_;
  std::map<Key, std::optional<std::string>> fetched_;
};

}  // namespace kvb

#endif  // KVB_SRC_READ_AHEAD_H_

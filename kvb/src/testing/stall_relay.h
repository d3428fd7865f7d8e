// A relay between a PostgreSQL client and server that can stop passing
// bytes without closing anything, as a hung router or VPN does: the client's
// connection stays open and its packets are taken in, but no answer comes.
// It listens on 127.0.0.1 (TCP) and forwards each connection to the server's
// Unix socket, in a thread of its own, until destroyed. It can also hold
// every byte for a while in each direction, as a distant server's line does.
#ifndef KVB_SRC_TESTING_STALL_RELAY_H_
#define KVB_SRC_TESTING_STALL_RELAY_H_

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace kvb::test {

class StallRelay {
 public:
  // Relays to the Unix socket at server_socket (".../.s.PGSQL.5432"),
  // holding what passes for one_way in each direction: a round trip through
  // the relay takes twice that longer.
  explicit StallRelay(std::string server_socket,
                      std::chrono::milliseconds one_way = std::chrono::milliseconds(0));
  ~StallRelay();
  StallRelay(const StallRelay&) = delete;
  StallRelay& operator=(const StallRelay&) = delete;

  // False when it could not listen.
  bool listening() const { return port_ != 0; }
  int port() const { return port_; }
  // A libpq connection string through the relay to database.
  std::string Conninfo(const std::string& database) const;

  // From now on no byte passes in either direction; new connections are
  // taken and left waiting too. Thaw lets everything pass again.
  void Freeze() { frozen_ = true; }
  void Thaw() { frozen_ = false; }

 private:
  void Serve();

  std::string server_socket_;
  std::chrono::milliseconds one_way_;
  int listener_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};  // ends the thread
  std::atomic<bool> frozen_{false};
  std::thread thread_;
};

}  // namespace kvb::test

#endif  // KVB_SRC_TESTING_STALL_RELAY_H_

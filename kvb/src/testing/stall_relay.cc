#include "testing/stall_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace kvb::test {
namespace {

int ConnectToServer(const std::string& socket_path) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Takes in what one side has sent; false when it ended.
bool Receive(int from, std::string* bytes) {
  char buffer[16384];
  const ssize_t n = read(from, buffer, sizeof buffer);
  if (n <= 0) return false;
  bytes->assign(buffer, static_cast<size_t>(n));
  return true;
}

bool Send(int to, const std::string& bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    const ssize_t m = write(to, bytes.data() + sent, bytes.size() - sent);
    if (m <= 0) return false;
    sent += static_cast<size_t>(m);
  }
  return true;
}

}  // namespace

StallRelay::StallRelay(std::string server_socket, std::chrono::milliseconds one_way)
    : server_socket_(std::move(server_socket)), one_way_(one_way) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || pipe2(wake_, O_CLOEXEC) != 0 ||
      bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

StallRelay::~StallRelay() {
  if (thread_.joinable()) {
    const char byte = 0;
    if (write(wake_[1], &byte, 1) != 1) {
      // The thread cannot be told to end; it ends with the process.
      thread_.detach();
    } else {
      thread_.join();
    }
  }
  for (int fd : {listener_, wake_[0], wake_[1]}) {
    if (fd >= 0) close(fd);
  }
}

std::string StallRelay::Conninfo(const std::string& database) const {
  return "host=127.0.0.1 port=" + std::to_string(port_) + " user=kvb dbname=" + database;
}

namespace {

using Clock = std::chrono::steady_clock;

struct Held {
  Clock::time_point due;
  std::string bytes;
};

// One relayed connection and what is held on its way in each direction.
struct Pair {
  int client;
  int server;
  std::deque<Held> to_server;
  std::deque<Held> to_client;
};

// Passes on what is due; false when a side ended.
bool SendDue(std::deque<Held>& held, int to, Clock::time_point now) {
  while (!held.empty() && held.front().due <= now) {
    if (!Send(to, held.front().bytes)) return false;
    held.pop_front();
  }
  return true;
}

// How long poll may wait: until the next held bytes are due, at most limit.
int WaitMs(const std::vector<Pair>& pairs, int limit) {
  const Clock::time_point now = Clock::now();
  long wait = limit;
  for (const Pair& pair : pairs) {
    for (const std::deque<Held>* held : {&pair.to_server, &pair.to_client}) {
      if (held->empty()) continue;
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(held->front().due - now).count();
      wait = std::min(wait, std::max(0L, static_cast<long>(left)));
    }
  }
  return static_cast<int>(wait);
}

}  // namespace

void StallRelay::Serve() {
  std::vector<Pair> pairs;
  for (;;) {
    std::vector<pollfd> watched{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    if (!frozen_) {
      for (const Pair& pair : pairs) {
        watched.push_back({pair.client, POLLIN, 0});
        watched.push_back({pair.server, POLLIN, 0});
      }
    }
    // While frozen the relay looks again now and then, to notice a thaw.
    const int wait = frozen_ ? 50 : WaitMs(pairs, 200);
    if (poll(watched.data(), watched.size(), wait) < 0) continue;
    if (watched[0].revents != 0) break;
    if (watched[1].revents & POLLIN) {
      const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      // As the server does: an answer goes out at once, not held until the
      // client acknowledges the one before it.
      const int on = 1;
      if (client >= 0) setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      const int server = client >= 0 ? ConnectToServer(server_socket_) : -1;
      if (server >= 0) {
        pairs.push_back({client, server, {}, {}});
      } else if (client >= 0) {
        close(client);
      }
    }
    std::vector<Pair> open;
    const Clock::time_point now = Clock::now();
    for (size_t i = 0; i < pairs.size(); ++i) {
      Pair& pair = pairs[i];
      bool alive = true;
      // Frozen while it waited: what arrived stays where it is.
      if (!frozen_ && 2 + 2 * i + 1 < watched.size()) {
        std::string bytes;
        if (watched[2 + 2 * i].revents != 0) {
          alive = Receive(pair.client, &bytes);
          if (alive) pair.to_server.push_back({now + one_way_, std::move(bytes)});
        }
        if (alive && watched[2 + 2 * i + 1].revents != 0) {
          alive = Receive(pair.server, &bytes);
          if (alive) pair.to_client.push_back({now + one_way_, std::move(bytes)});
        }
      }
      if (alive && !frozen_) {
        alive = SendDue(pair.to_server, pair.server, now) &&
                SendDue(pair.to_client, pair.client, now);
      }
      if (alive) {
        open.push_back(std::move(pair));
      } else {
        close(pair.client);
        close(pair.server);
      }
    }
    pairs = std::move(open);
  }
  for (const Pair& pair : pairs) {
    close(pair.client);
    close(pair.server);
  }
}

}  // namespace kvb::test

#include "testing/stall_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
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

// Moves what one side has sent to the other; false when either side ended.
bool Pass(int from, int to) {
  char buffer[16384];
  const ssize_t n = read(from, buffer, sizeof buffer);
  if (n <= 0) return false;
  for (ssize_t sent = 0; sent < n;) {
    const ssize_t m = write(to, buffer + sent, static_cast<size_t>(n - sent));
    if (m <= 0) return false;
    sent += m;
  }
  return true;
}

}  // namespace

StallRelay::StallRelay(std::string server_socket) : server_socket_(std::move(server_socket)) {
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

void StallRelay::Serve() {
  struct Pair {
    int client;
    int server;
  };
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
    if (poll(watched.data(), watched.size(), frozen_ ? 50 : 200) < 0) continue;
    if (watched[0].revents != 0) break;
    if (watched[1].revents & POLLIN) {
      const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      const int server = client >= 0 ? ConnectToServer(server_socket_) : -1;
      if (server >= 0) {
        pairs.push_back({client, server});
      } else if (client >= 0) {
        close(client);
      }
    }
    std::vector<Pair> open;
    for (size_t i = 0; i < pairs.size(); ++i) {
      bool alive = true;
      // Frozen while it waited: what arrived stays where it is.
      if (!frozen_ && 2 + 2 * i + 1 < watched.size()) {
        const pollfd& client = watched[2 + 2 * i];
        const pollfd& server = watched[2 + 2 * i + 1];
        if (client.revents != 0) alive = Pass(pairs[i].client, pairs[i].server);
        if (alive && server.revents != 0) alive = Pass(pairs[i].server, pairs[i].client);
      }
      if (alive) {
        open.push_back(pairs[i]);
      } else {
        close(pairs[i].client);
        close(pairs[i].server);
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

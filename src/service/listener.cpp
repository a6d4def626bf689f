#include "service/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

#include "service/socket_platform.h"

namespace tarnwick {
namespace {

sockaddr_in loopback_address(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

std::variant<UniqueFd, ListenFailure> open_loopback_listener(std::uint16_t port) {
  UniqueFd fd = open_ipv4_stream_socket();
  if (!fd.valid()) return ListenFailure{errno};
  const int on = 1;
  const sockaddr_in address = loopback_address(port);
  if (::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd.get(), listen_backlog) != 0) {
    return ListenFailure{errno};  // `fd` closes the socket on the way out
  }
  return fd;
}

std::uint16_t bound_port(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

bool instance_answers(std::uint16_t port) {
  const UniqueFd fd = open_ipv4_stream_socket();
  if (!fd.valid()) return false;
  const sockaddr_in address = loopback_address(port);
  return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

UniqueFd accept_connection(int listen_fd) {
  while (true) {
    sockaddr_storage peer{};
    UniqueFd connection = accept_close_on_exec(listen_fd, peer);
    if (!connection.valid()) {
      if (errno == EINTR) continue;
      return connection;
    }
    if (peer.ss_family != AF_INET && peer.ss_family != AF_INET6) return UniqueFd{};
    return connection;
  }
}

}  // namespace tarnwick

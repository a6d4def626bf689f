#include "service/listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <utility>

namespace tarnwick {
namespace {

#if defined(SOCK_CLOEXEC)
constexpr int socket_close_on_exec_flag = SOCK_CLOEXEC;
#else
constexpr int socket_close_on_exec_flag = 0;
#endif

#if defined(SO_NOSIGPIPE)
constexpr int no_sigpipe_option = SO_NOSIGPIPE;
#else
constexpr int no_sigpipe_option = -1;  // no such option: setsockopt fails with ENOPROTOOPT
#endif

// Marks `fd` close-on-exec; false with errno set on failure.
bool mark_close_on_exec(int fd) {
  const int flags = ::fcntl(fd, F_GETFD);
  return flags >= 0 && ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0;
}

// Closes `fd` and gives an empty owner, keeping the errno of the failure that led here.
UniqueFd fail(UniqueFd& fd) {
  const int saved = errno;
  fd.reset();
  errno = saved;
  return UniqueFd{};
}

// The close-on-exec marking and SIGPIPE option that `features` leave to be done after creation.
UniqueFd finish_socket(UniqueFd fd, bool close_on_exec_done, SocketFeatures features) {
  if (!fd.valid()) return fd;
  if (!close_on_exec_done && !mark_close_on_exec(fd.get())) return fail(fd);
  const int on = 1;
  if (features.no_sigpipe_option &&
      ::setsockopt(fd.get(), SOL_SOCKET, no_sigpipe_option, &on, sizeof on) != 0) {
    return fail(fd);
  }
  return fd;
}

sockaddr_in loopback_address(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

std::string service_authority() {
  return std::string(listen_address) + ":" + std::to_string(listen_port);
}

std::string service_url() { return "http://" + service_authority(); }

UniqueFd open_ipv4_stream_socket(SocketFeatures features) {
  const bool atomic = features.atomic_close_on_exec && socket_close_on_exec_flag != 0;
  UniqueFd fd{::socket(AF_INET, SOCK_STREAM | (atomic ? socket_close_on_exec_flag : 0), 0)};
  return finish_socket(std::move(fd), atomic, features);
}

UniqueFd accept_close_on_exec(int listen_fd, sockaddr_storage& peer, SocketFeatures features) {
  socklen_t length = sizeof peer;
  auto* address = reinterpret_cast<sockaddr*>(&peer);
#if defined(TARNWICK_HAVE_ACCEPT4) && defined(SOCK_CLOEXEC)
  if (features.atomic_close_on_exec) {
    return finish_socket(UniqueFd{::accept4(listen_fd, address, &length, SOCK_CLOEXEC)}, true,
                         features);
  }
#endif
  return finish_socket(UniqueFd{::accept(listen_fd, address, &length)}, false, features);
}

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

#include "service/socket_platform.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <cerrno>

namespace tarnwick {
namespace {

// Marks `fd` close-on-exec; false with errno set on failure.
[[maybe_unused]] bool mark_close_on_exec(int fd) {
  const int flags = ::fcntl(fd, F_GETFD);
  return flags >= 0 && ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0;
}

}  // namespace

UniqueFd open_ipv4_stream_socket() {
#if defined(__APPLE__)
  UniqueFd fd{::socket(AF_INET, SOCK_STREAM, 0)};
  if (!fd.valid()) return fd;
  if (!mark_close_on_exec(fd.get())) {
    const int saved = errno;
    fd.reset();
    errno = saved;
    return fd;
  }
  const int on = 1;
  if (::setsockopt(fd.get(), SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on) != 0) {
    const int saved = errno;
    fd.reset();
    errno = saved;
  }
  return fd;
#else
  // Linux has no SO_NOSIGPIPE; every send passes MSG_NOSIGNAL instead.
  return UniqueFd{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
#endif
}

UniqueFd accept_close_on_exec(int listen_fd, sockaddr_storage& peer) {
  socklen_t length = sizeof peer;
  auto* address = reinterpret_cast<sockaddr*>(&peer);
#if defined(__APPLE__)
  UniqueFd fd{::accept(listen_fd, address, &length)};
  if (fd.valid() && !mark_close_on_exec(fd.get())) {
    const int saved = errno;
    fd.reset();
    errno = saved;
  }
  return fd;
#else
  return UniqueFd{::accept4(listen_fd, address, &length, SOCK_CLOEXEC)};
#endif
}

}  // namespace tarnwick

// The platform seam for sockets: close-on-exec and SIGPIPE suppression, which systems offer in
// different spellings. Chosen by feature, not by system name, and both ways of each compile on
// every system; everything else in the service uses plain POSIX calls.
#pragma once

#include <sys/socket.h>

#include <cstddef>

#include "service/unique_fd.h"

namespace tarnwick {

// Flags for every send on a connection: a peer that has gone away must give EPIPE, never SIGPIPE.
// Where MSG_NOSIGNAL is missing, the socket option SO_NOSIGPIPE (below) does it once per socket.
#if defined(MSG_NOSIGNAL)
inline constexpr int no_sigpipe_send_flags = MSG_NOSIGNAL;
#else
inline constexpr int no_sigpipe_send_flags = 0;
#endif

// How sockets are made close-on-exec and kept from raising SIGPIPE.
struct SocketFeatures {
  bool atomic_close_on_exec = false;  // SOCK_CLOEXEC and accept4; otherwise fcntl(FD_CLOEXEC)
  bool no_sigpipe_option = false;     // set SO_NOSIGPIPE on every new socket
};

// What this system offers. Tests pass other values to run the fallbacks where both exist.
inline constexpr SocketFeatures platform_socket_features {
#if defined(SOCK_CLOEXEC) && defined(TARNWICK_HAVE_ACCEPT4)
  .atomic_close_on_exec = true,
#else
  .atomic_close_on_exec = false,
#endif
#if defined(SO_NOSIGPIPE)
  .no_sigpipe_option = true,
#else
  .no_sigpipe_option = false,
#endif
};

// A new IPv4 stream socket, close-on-exec, on which writes never raise SIGPIPE; an empty owner
// with errno set on failure.
UniqueFd open_ipv4_stream_socket(SocketFeatures features = platform_socket_features);

// Accepts one connection as a close-on-exec socket, storing the peer address in `peer`.
// Returns an empty owner with errno set when accepting (or marking close-on-exec) failed.
UniqueFd accept_close_on_exec(int listen_fd, sockaddr_storage& peer,
                              SocketFeatures features = platform_socket_features);

}  // namespace tarnwick

// The platform seam for sockets: the few calls whose spelling differs between Linux and macOS.
// Everything else in the service uses plain POSIX calls.
#pragma once

#include <sys/socket.h>

#include <cstddef>

#include "service/unique_fd.h"

namespace tarnwick {

// Flags for every send on a connection: a peer that has gone away must give EPIPE, never SIGPIPE.
// Linux asks per call (MSG_NOSIGNAL); macOS marks the socket once (SO_NOSIGPIPE).
#if defined(MSG_NOSIGNAL)
inline constexpr int no_sigpipe_send_flags = MSG_NOSIGNAL;
#else
inline constexpr int no_sigpipe_send_flags = 0;
#endif

// A new IPv4 stream socket, close-on-exec, on which writes never raise SIGPIPE; an empty owner
// with errno set on failure.
UniqueFd open_ipv4_stream_socket();

// Accepts one connection as a close-on-exec socket, storing the peer address in `peer`.
// Returns an empty owner with errno set when accepting (or marking close-on-exec) failed.
UniqueFd accept_close_on_exec(int listen_fd, sockaddr_storage& peer);

}  // namespace tarnwick

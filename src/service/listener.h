// The loopback listener: the service's address, claiming 127.0.0.1:{port}, accepting connections
// one at a time, and probing whether an instance already answers on the port. Close-on-exec and
// SIGPIPE suppression, which systems spell differently, are chosen by feature, not by system name,
// and both ways of each compile on every system.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "common/unique_fd.h"

namespace tarnwick {

inline constexpr std::string_view listen_address = "127.0.0.1";
inline constexpr std::uint16_t listen_port = 8070;

// "{listen_address}:{listen_port}", "127.0.0.1:8070": the authority clients address.
std::string service_authority();
// "http://127.0.0.1:8070".
std::string service_url();

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

inline constexpr int listen_backlog = 128;

// Why the port could not be claimed: the errno of the failing socket, setsockopt, bind or
// listen call.
struct ListenFailure {
  int error = 0;
};

// An IPv4 socket on 127.0.0.1:{port} (0: any free port), close-on-exec, never raising SIGPIPE,
// SO_REUSEADDR set, listening with a backlog of 128; or the first failure (the socket is closed).
std::variant<UniqueFd, ListenFailure> open_loopback_listener(std::uint16_t port);

// The port a bound socket is bound to; 0 when it cannot be read.
std::uint16_t bound_port(int fd);

// True when a plain blocking TCP connect to 127.0.0.1:{port} succeeds; the connection is closed
// at once.
bool instance_answers(std::uint16_t port);

// Accepts one connection as a close-on-exec socket, retrying at once when interrupted. Any other
// failure, a failed close-on-exec marking, or a peer that is neither IPv4 nor IPv6 (whose socket
// is then closed) gives an empty owner. The peer address is discarded.
UniqueFd accept_connection(int listen_fd);

}  // namespace tarnwick

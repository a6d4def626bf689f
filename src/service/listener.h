// The loopback listener: claiming 127.0.0.1:{port}, accepting connections one at a time, and
// probing whether an instance already answers on the port.
#pragma once

#include <cstdint>
#include <variant>

#include "service/unique_fd.h"

namespace tarnwick {

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

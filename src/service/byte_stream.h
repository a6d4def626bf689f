// Byte source and byte sink: the seams between the request reader / response writer and the
// connection, so that reading and framing can be exercised without sockets (EINTR, short and
// zero-byte writes included).
#pragma once

#include <cstddef>
#include <functional>
#include <span>

namespace tarnwick {

// The outcome of one receive or send call: `error` is 0 on success (then `bytes` were moved,
// 0 meaning end of stream for a source) or the system error code (then `bytes` is 0).
struct Transfer {
  std::size_t bytes = 0;
  int error = 0;
};

// One receive call into the given buffer.
using ByteSource = std::function<Transfer(std::span<char>)>;
// One send call of (a prefix of) the given bytes.
using ByteSink = std::function<Transfer(std::span<const char>)>;

// recv(2) on a connected socket.
ByteSource socket_source(int fd);
// send(2) on a connected socket, never raising SIGPIPE.
ByteSink socket_sink(int fd);

}  // namespace tarnwick

#include "service/byte_stream.h"

#include <sys/socket.h>

#include <cerrno>

#include "service/socket_platform.h"

namespace tarnwick {
namespace {

Transfer from_result(ssize_t result) {
  if (result < 0) return {0, errno};
  return {static_cast<std::size_t>(result), 0};
}

}  // namespace

ByteSource socket_source(int fd) {
  return [fd](std::span<char> buffer) {
    return from_result(::recv(fd, buffer.data(), buffer.size(), 0));
  };
}

ByteSink socket_sink(int fd) {
  return [fd](std::span<const char> bytes) {
    return from_result(::send(fd, bytes.data(), bytes.size(), no_sigpipe_send_flags));
  };
}

}  // namespace tarnwick

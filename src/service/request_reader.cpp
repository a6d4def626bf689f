#include "service/request_reader.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <array>

namespace tarnwick {

void set_receive_timeout(int fd) {
  const timeval timeout{5, 0};
  static_cast<void>(::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout));
}

std::string read_request(const ByteSource& source) {
  std::array<char, request_buffer_size> buffer{};
  const Transfer received = source(buffer);
  if (received.error != 0) return {};
  return std::string(buffer.data(),
                     received.bytes < buffer.size() ? received.bytes : buffer.size());
}

void discard_unread_input(int fd) {
  constexpr std::size_t most = 65536;
  std::array<char, 4096> scratch{};
  for (std::size_t discarded = 0; discarded < most;) {
    const ssize_t got = ::recv(fd, scratch.data(), scratch.size(), MSG_DONTWAIT);
    if (got <= 0) return;
    discarded += static_cast<std::size_t>(got);
  }
}

}  // namespace tarnwick

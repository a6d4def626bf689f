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

}  // namespace tarnwick

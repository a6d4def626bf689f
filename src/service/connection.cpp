#include "service/connection.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <array>
#include <cerrno>

#include "service/listener.h"

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

std::string header_block(std::string_view status, std::string_view content_type,
                         std::size_t body_length) {
  std::string block;
  block.reserve(160);
  block.append("HTTP/1.1 ").append(status).append("\r\n");
  block.append("Content-Type: ").append(content_type).append("\r\n");
  block.append("Content-Length: ").append(std::to_string(body_length)).append("\r\n");
  block.append("Cache-Control: no-store\r\n");
  block.append("X-Content-Type-Options: nosniff\r\n");
  block.append("Connection: close\r\n");
  block.append("\r\n");
  return block;
}

WriteOutcome write_all(const ByteSink& sink, std::string_view bytes) {
  while (!bytes.empty()) {
    const Transfer sent = sink(std::span<const char>(bytes.data(), bytes.size()));
    if (sent.error == EINTR) continue;
    if (sent.error != 0) return {false, sent.error};
    if (sent.bytes == 0) return {false, 0};
    bytes.remove_prefix(sent.bytes < bytes.size() ? sent.bytes : bytes.size());
  }
  return {};
}

WriteOutcome write_response(const ByteSink& sink, const Response& response) {
  const WriteOutcome head =
      write_all(sink, header_block(response.status, response.content_type, response.body.size()));
  if (!head.complete) return head;
  return write_all(sink, response.body);
}

}  // namespace tarnwick

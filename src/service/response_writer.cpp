#include "service/response_writer.h"

#include <cerrno>

namespace tarnwick {

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

WriteOutcome write_response(const ByteSink& sink, std::string_view status,
                            std::string_view content_type, std::string_view body) {
  const WriteOutcome head = write_all(sink, header_block(status, content_type, body.size()));
  if (!head.complete) return head;
  return write_all(sink, body);
}

WriteOutcome write_response(const ByteSink& sink, const Response& response) {
  return write_response(sink, response.status, response.content_type, response.body);
}

}  // namespace tarnwick

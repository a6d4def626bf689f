// Fuzz target: the request path on arbitrary bytes. The bytes arrive through the request reader
// (one receive of at most 2048 bytes), pass the guards, are cut into target, path and token, are
// routed (every route that needs no network) and framed. Checked on every input:
//   - a token is 1 to 12 bytes of a-z, 1-5 and '.', not ending in '.', taken from the target;
//   - the target holds no space, CR or LF and is valid UTF-8; the path is its part before '?';
//   - the guards decide 405 before 403, exactly as method_allowed and host_allowed say;
//   - every answer has a known status and content type, and its framing counts the body's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"
#include "service/connection.h"
#include "service/request_guards.h"
#include "service/routes.h"

namespace {

using namespace tarnwick;

void require(bool condition) {
  if (!condition) std::abort();
}

bool is_token_byte(char c) { return (c >= 'a' && c <= 'z') || (c >= '1' && c <= '5') || c == '.'; }

void check_token(const std::optional<std::string>& token, std::string_view target) {
  if (!token) return;
  require(!token->empty() && token->size() <= 12 && token->back() != '.');
  for (const char c : *token) require(is_token_byte(c));
  require(target.find("token=" + *token) != std::string_view::npos);
}

void check_answer(const Response& answer) {
  require(answer.status == status_ok || answer.status == status_bad_request ||
          answer.status == status_forbidden || answer.status == status_not_found ||
          answer.status == status_method_not_allowed);
  require(answer.content_type == content_type_text || answer.content_type == content_type_html ||
          answer.content_type == content_type_json ||
          answer.content_type == content_type_json_utf8);
}

// Frames `answer` through a sink that takes at most `step` bytes per call, and checks the bytes.
void check_framing(const Response& answer, std::size_t step) {
  std::string wire;
  const ByteSink sink = [&wire, step](std::span<const char> bytes) {
    const std::size_t n = bytes.size() < step ? bytes.size() : step;
    wire.append(bytes.data(), n);
    return Transfer{n, 0};
  };
  require(write_response(sink, answer).complete);
  const std::string head = header_block(answer.status, answer.content_type, answer.body.size());
  require(wire == head + answer.body);
  require(head.find("\r\nContent-Length: " + std::to_string(answer.body.size()) + "\r\n") !=
          std::string::npos);
}

// Routing never reaches the network here: the scan routes and /update are left out, so this
// context's node (a closed loopback port) is never asked.
const ScanContext& offline_context() {
  static const ScanContext context{
      ChainClient{ClientSettings{"https://127.0.0.1:9", std::chrono::milliseconds(1),
                                 std::chrono::milliseconds(1), ""}},
      "agentrep", 0, PriorRugList{}};
  return context;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ByteSource source = [bytes](std::span<char> buffer) {
    const std::size_t n = bytes.size() < buffer.size() ? bytes.size() : buffer.size();
    bytes.copy(buffer.data(), n);
    return Transfer{n, 0};
  };
  const std::string request = read_request(source);
  require(request == bytes.substr(0, request_buffer_size));

  const std::string target = request_target(request);
  require(target.find_first_of(" \r\n") == std::string::npos);
  require(is_valid_utf8(target));
  const std::string_view path = request_path(target);
  require(target.starts_with(path) && path.find('?') == std::string_view::npos);
  check_token(token_param(target, "token"), target);

  const std::optional<Response> rejection = guard_rejection(request);
  if (!method_allowed(request)) {
    require(rejection && rejection->status == status_method_not_allowed);
  } else if (!host_allowed(request)) {
    require(rejection && rejection->status == status_forbidden);
  } else {
    require(!rejection);
  }

  const bool needs_network =
      target.starts_with("/scan") || target.starts_with("/oracle") || path == "/update";
  if (rejection || !needs_network || target.starts_with("/health")) {
    const Response answer = answer_request(request, offline_context());
    check_answer(answer);
    if (!rejection && target.starts_with("/health")) require(answer.body == "ok");
    check_framing(answer, size % 97 + 1);
  }
  return 0;
}

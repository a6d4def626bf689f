// ChainClient: the one outbound HTTPS client of the scanner, talking to a single public XPR
// Network API node. Every failure (name resolution, connect, TLS, deadline, HTTP status >= 400,
// too many redirects, oversized body) is the single detail-free ReadFailure.
//
// Transport guarantees, whatever the settings: HTTP/1.1 over TLS 1.2 or 1.3, https only (also for
// redirect targets), the server verified against `trusted_roots_pem` alone (never the OS store,
// never SSL_CERT_FILE / SSL_CERT_DIR), proxy environment variables ignored, at most 4 redirects
// followed (the fifth redirect answer fails; a POST answered by 301/302/303 goes on as a GET), a
// final status of 400 or more fails without its body being read. Nothing is ever printed.
//
// One connection handle lives as long as the client, so consecutive requests reuse one kept-alive
// TLS connection. The client may be shared between threads; requests are then serialised.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace tarnwick {

// The only failure a chain read reports. It carries no detail: callers cannot and need not tell
// its causes apart.
struct ReadFailure {
  friend bool operator==(ReadFailure, ReadFailure) = default;
};

// The reply text of a successful exchange, or ReadFailure.
using ReadOutcome = std::variant<std::string, ReadFailure>;

// What happens to a response body longer than `ClientSettings::body_limit`.
enum class BodyOverflow {
  fail,      // the request is a ReadFailure (also for chunked bodies: counted while receiving)
  truncate,  // the first body_limit bytes are kept, the rest is not read; the request succeeds
};

// The body limit of chain reads: 10 MiB.
inline constexpr std::size_t chain_body_limit = 10'485'760;

// Everything a client is built from. Production values are fixed constants
// (production_chain_settings in chain/chain_node.h); tests build clients pointed at a loopback
// node with a test CA.
struct ClientSettings {
  std::string base_url;  // "https://host[:port]", no trailing slash
  std::chrono::milliseconds
      overall_deadline;                     // whole request: resolve, connect, TLS, redirects, body
  std::chrono::milliseconds connect_limit;  // 0: the HTTPS library's own connect limit
  std::string trusted_roots_pem;            // the only roots trusted; the OS store never is
  std::size_t body_limit = chain_body_limit;  // most body bytes accepted
  BodyOverflow beyond_limit = BodyOverflow::fail;
};

class ChainClient {
 public:
  // Cannot fail. The first client built in the process also initialises the HTTPS library
  // (once, thread-safely); nothing ever tears it down.
  explicit ChainClient(ClientSettings settings);
  ~ChainClient();
  ChainClient(ChainClient&&) noexcept;
  ChainClient& operator=(ChainClient&&) noexcept;
  ChainClient(const ChainClient&) = delete;
  ChainClient& operator=(const ChainClient&) = delete;

  // Base of the chain API (/v1/chain/...) and of the history API (/v2/history/...): the same node.
  const std::string& chain_api_base() const;
  const std::string& history_api_base() const;

  // POST `body` (finished JSON text) to `url` with "content-type: application/json"; the body is
  // sent byte for byte with its Content-Length. The reply as text, invalid UTF-8 replaced by
  // U+FFFD.
  ReadOutcome post_json(std::string_view url, std::string_view body) const;
  // GET `url` with no body and no extra headers. The reply as text, as for post_json.
  ReadOutcome get_text(std::string_view url) const;
  // GET `url` like get_text, but the body bytes exactly as received (no UTF-8 conversion), for
  // callers that must reject rather than repair invalid UTF-8.
  ReadOutcome get_bytes(std::string_view url) const;

  // A moved-from client answers every request with ReadFailure and has empty bases.

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarnwick

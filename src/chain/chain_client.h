// ChainClient: the one outbound HTTPS client of the scanner, talking to a single public XPR
// Network API node. Every failure (name resolution, connect, TLS, deadline, HTTP status >= 400,
// too many redirects, oversized body) is the single detail-free ReadFailure.
#pragma once

#include <chrono>
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

// Everything a client is built from. Production values are fixed constants
// (production_chain_settings); tests build clients pointed at a loopback node with a test CA.
struct ClientSettings {
  std::string base_url;                        // "https://host[:port]", no trailing slash
  std::chrono::milliseconds overall_deadline;  // whole request: resolve, connect, TLS, redirects, body
  std::chrono::milliseconds connect_limit;     // 0: the HTTPS library's own connect limit
  std::string trusted_roots_pem;               // the only roots trusted; the OS store never is
};

class ChainClient {
 public:
  explicit ChainClient(ClientSettings settings);
  ~ChainClient();
  ChainClient(ChainClient&&) noexcept;
  ChainClient& operator=(ChainClient&&) noexcept;
  ChainClient(const ChainClient&) = delete;
  ChainClient& operator=(const ChainClient&) = delete;

  // Base of the chain API (/v1/chain/...) and of the history API (/v2/history/...): the same node.
  const std::string& chain_api_base() const;
  const std::string& history_api_base() const;

  // POST `body` (finished JSON text) to `url` with "content-type: application/json".
  ReadOutcome post_json(std::string_view url, std::string_view body) const;
  // GET `url` with no body and no extra headers.
  ReadOutcome get_text(std::string_view url) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarnwick

// HttpsClient: the outbound HTTPS client, with its trust pinned to the compiled-in roots. The
// chain reads (ChainClient) and the update check each build one from their own settings. Every
// failure (name resolution, connect, TLS, deadline, HTTP status >= 400, too many redirects,
// oversized body, an option the library did not take) is the single detail-free ReadFailure.
//
// Transport guarantees, whatever the settings: HTTP/1.1 over TLS 1.2 or 1.3, https only (also for
// redirect targets), the server verified against `trusted_roots_pem` alone (never the OS store,
// never SSL_CERT_FILE / SSL_CERT_DIR), proxy environment variables ignored, at most 4 redirects
// followed (the fifth redirect answer fails; a POST answered by 301/302/303 goes on as a GET), a
// final status of 400 or more fails without its body being read. Nothing is ever printed.
//
// One connection handle lives as long as the client, so consecutive requests reuse one kept-alive
// TLS connection. A client serves one request at a time: the service has a single thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace tarnwick {

// The only failure a read reports. It carries no detail: callers cannot and need not tell its
// causes apart.
struct ReadFailure {};

// The reply text of a successful exchange, or ReadFailure.
using ReadOutcome = std::variant<std::string, ReadFailure>;

// What happens to a response body longer than `ClientSettings::body_limit`.
enum class BodyOverflow {
  fail,      // the request is a ReadFailure (also for chunked bodies: counted while receiving)
  truncate,  // the first body_limit bytes are kept, the rest is not read; the request succeeds
};

// Everything a client is built from. Production values are fixed constants (the chain's in
// chain/scan_context.h, the update check's in service/update_notice.h); tests build clients
// pointed at a loopback server with a test CA.
struct ClientSettings {
  std::string base_url;  // "https://host[:port]", no trailing slash
  std::chrono::milliseconds
      overall_deadline;                     // whole request: resolve, connect, TLS, redirects, body
  std::chrono::milliseconds connect_limit;  // 0: the HTTPS library's own connect limit
  std::string trusted_roots_pem;            // the only roots trusted; the OS store never is
  std::size_t body_limit = 10'485'760;      // most body bytes accepted (10 MiB)
  BodyOverflow beyond_limit = BodyOverflow::fail;
};

class HttpsClient {
 public:
  // Cannot fail. The first client built in the process also initialises the HTTPS library
  // (once, thread-safely); nothing ever tears it down.
  explicit HttpsClient(ClientSettings settings);
  ~HttpsClient();
  HttpsClient(HttpsClient&&) noexcept;
  HttpsClient& operator=(HttpsClient&&) noexcept;
  HttpsClient(const HttpsClient&) = delete;
  HttpsClient& operator=(const HttpsClient&) = delete;

  // The settings' base URL: "https://host[:port]", no trailing slash.
  const std::string& base_url() const;

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

// HttpsClient: the outbound HTTPS client, with its trust pinned to the compiled-in roots. The
// chain reads (ChainClient) and the update check each build one from their own settings. Every
// failure (name resolution, connect, TLS, deadline, HTTP status >= 400, too many redirects,
// oversized body, an option the library did not take) is the single detail-free ReadFailure;
// exchange() also tells how the exchange ended, which status arrived and an error answer's body,
// for the chain's failover.
//
// Transport guarantees, whatever the settings: HTTP/1.1 over TLS 1.2 or 1.3, https only (also for
// redirect targets), the server verified against `trusted_roots_pem` alone (never the OS store,
// never SSL_CERT_FILE / SSL_CERT_DIR), proxy environment variables ignored, at most 4 redirects
// followed (the fifth redirect answer fails; a POST answered by 301/302/303 goes on as a GET), a
// final status of 400 or more fails and its body is never handed out as a reply (up to 64 KiB of
// it is read, so that the connection stays open, and exchange() gives it to the caller to judge;
// a longer one fails the exchange and closes it). Nothing is printed.
//
// Deadlines hold for name resolution too: a lookup still running when its deadline passes is left
// to finish on its own thread (libcurl 7.87 or newer with its threaded resolver; an older library
// waits for it, and one built with the synchronous resolver cannot interrupt it at all).
//
// The connection handles live as long as the client, so consecutive requests reuse kept-alive
// TLS connections. Up to `max_in_flight` exchanges can be in flight at once (start() and wait()),
// each on a connection of its own (HTTP/1.1: one request at a time on a connection); one dropped
// before its end has its connection closed. Between exchanges the client keeps as many
// connections open as keep_connections() allows, one until it is called: whenever an exchange
// ends while more are open than that or than the exchanges still in flight, the connection idle
// the longest is closed. So a client kept to one connection keeps the one to the host of the
// exchange that completed last (rarely two, when two exchanges completed at once, until the next
// one does), and one kept to four after four exchanges to one host keeps those four for the next
// four. A client is used from one thread: the service has a single thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "common/exchanges.h"

namespace tarnwick {

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
  // For tests: the library refuses the options newer than the oldest run-time libcurl the program
  // supports (7.85), as that library does. Such options are a help, never a condition of reading.
  bool refuse_newer_options = false;
};

class HttpsClient final : public Exchanges {
 public:
  // Cannot fail. The first client built in the process also initialises the HTTPS library
  // (once, thread-safely); nothing ever tears it down.
  explicit HttpsClient(ClientSettings settings);
  ~HttpsClient() override;
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
  // post_json (with `json_body`) or get_text (without) within `limits` instead of the settings'
  // deadline, and how it ended. The settings' connect limit still applies. Like post_json,
  // get_text and get_bytes, it takes a free slot (below; a ReadFailure when none is) and leaves
  // the events of the exchanges already in flight to wait().
  Exchange exchange(std::string_view url, std::optional<std::string_view> json_body,
                    ExchangeLimits limits) const;

  // Exchanges in flight together, for a caller that asks another server beside a slow one
  // (Exchanges): start() begins the exchange that exchange() would make, in a slot of its own;
  // wait() drives every exchange in flight; drop() closes the connection of one still running;
  // keep_connections() as above (fewer than are open now closes the extra ones only as later
  // exchanges end); now() is the steady clock.
  std::optional<std::size_t> start(std::string_view url, std::optional<std::string_view> json_body,
                                   ExchangeLimits limits) const override;
  ExchangeEvent wait() const override;
  void drop(std::size_t slot) const override;
  void keep_connections(std::size_t count) const override;
  std::chrono::steady_clock::time_point now() const override;

  // A moved-from client answers every request with ReadFailure and has empty bases.

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarnwick

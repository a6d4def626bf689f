// ServingHarness: the real serving loop, run in-process on an ephemeral loopback port, for tests
// that talk HTTP to the service over real sockets (routes, guards, /scan, /oracle, /update, the
// cockpit in a browser).
//
//   ScanContext context{ChainClient{ClientSettings{...}}, "repcontract", 0, PriorRugList{}};
//   ServingHarness service(context);          // listening on 127.0.0.1:service.port()
//   std::string raw = service.exchange("GET /health HTTP/1.1\r\nHost: localhost:8070\r\n\r\n");
//   HttpAnswer answer = parse_answer(raw);     // status line, headers, body
//
// Requests must carry "Host: localhost:8070" (or 127.0.0.1:8070) to pass the Host guard: the
// guard checks the header, not the port actually used. The context is borrowed: it must outlive
// the harness. The destructor stops the loop (a stop flag plus one wake-up connection), joins
// the thread and closes the listener; connections still waiting in the backlog are served first.
// Clients close with a reset once they have read the answer, so no TIME_WAIT piles up.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "chain/scan_context.h"
#include "common/unique_fd.h"

namespace tarnwick {

// One client connection to 127.0.0.1:{port}.
class LoopbackClient {
 public:
  // Connects at once; ok() is false when the connect failed.
  explicit LoopbackClient(std::uint16_t port);

  bool ok() const { return fd_.valid(); }
  // Sends all of `bytes`; false on a failure.
  bool send(std::string_view bytes) const;
  // Shuts down the sending half (the service then reads end of stream).
  void close_sending() const;
  // Everything the service sends until it closes the connection, or until `limit` passes
  // without data (a safety net against hangs, not a timing check).
  std::string read_to_end(std::chrono::seconds limit = std::chrono::seconds(30)) const;
  // Closes the connection with a reset, discarding anything unread.
  void abort();

 private:
  UniqueFd fd_;
};

class ServingHarness {
 public:
  explicit ServingHarness(const ScanContext& context);
  ~ServingHarness();
  ServingHarness(const ServingHarness&) = delete;
  ServingHarness& operator=(const ServingHarness&) = delete;

  std::uint16_t port() const { return port_; }
  // A new client connection to the service.
  LoopbackClient connect() const { return LoopbackClient(port_); }
  // Connects, sends `request` in one write, and returns the raw answer bytes read to the end.
  std::string exchange(std::string_view request) const;

 private:
  UniqueFd listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread loop_;
};

// A raw answer cut into its parts; `complete` is false when there is no CR LF CR LF.
struct HttpAnswer {
  bool complete = false;
  std::string status_line;                // e.g. "HTTP/1.1 200 OK"
  std::vector<std::string> header_lines;  // in order, without CR LF
  std::string body;
  // The value after "{name}: " of the first header line with exactly that name, if any.
  std::optional<std::string> header(std::string_view name) const;
};
HttpAnswer parse_answer(std::string_view raw);

// A context whose chain node is a closed loopback port (127.0.0.1:9): every chain read fails
// quickly with ReadFailure. For tests of routes that must not, or need not, reach a node.
ScanContext unreachable_node_context();

// A GET request for `target` with "Host: localhost:8070", ended by CR LF CR LF.
std::string get_request(std::string_view target);

}  // namespace tarnwick

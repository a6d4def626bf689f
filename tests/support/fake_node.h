// FakeNode: a fake XPR Network API node for tests. It serves real HTTPS (TLS 1.2/1.3, HTTP/1.1
// with keep-alive) on 127.0.0.1 at an ephemeral port, with a certificate from a test CA made in
// memory, and answers each request as the test scripts it. Not product code.
//
// Typical use:
//   tarnwick::test::FakeNode node;                        // new CA, listening at once
//   node.set_reply("/v1/chain/get_account", FakeReply::json(R"({"permissions":[]})"));
//   tarnwick::ChainClient client(tarnwick::test::client_settings(node));  // fake_node_client.h
//   client.deliver(tarnwick::ChainRequest{"/v1/chain/get_account", R"({"account_name":"abc"})"});
//   EXPECT_EQ(node.requests().at(0).body, R"({"account_name":"abc"})");
//
// Answers: a handler set with set_handler() decides every request; without one, the per-path
// table of set_reply() is looked up by the target's path (the part before '?'); a path with no
// entry gets 404. A FakeReply can be: a normal response (status, headers, body, Content-Length or
// chunked, optional delay first), a redirect, silence (never answer), an abrupt reset (TCP RST),
// a close without answer, or raw garbage bytes followed by a close.
//
// Connections: each accepted TCP connection is served on its own thread, request after request
// (keep-alive) until the client closes, sends "Connection: close", or the reply ends it. Handlers
// may therefore run concurrently when a test opens several connections; keep them thread-safe.
//
// Log: requests() returns, in arrival order, every request read completely (method, target,
// headers, body, connection number); connections_accepted() and handshakes_completed() count TCP
// accepts and finished TLS handshakes. All accessors are thread-safe.
//
// Shutdown: the destructor stops listening, interrupts silent replies, delays and blocked reads,
// and joins every thread; it never waits for a client.
//
// The fixture ignores SIGPIPE for the whole test process (writes to a peer that has gone away
// must fail, not kill the test).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "support/test_ca.h"

namespace tarnwick::test {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// One request as it arrived.
struct RecordedRequest {
  std::string method;   // "GET", "POST", ...
  std::string target;   // request target as sent, e.g. "/v2/history/get_actions?account=a"
  std::string version;  // "HTTP/1.1"
  HeaderList headers;   // in order, names and values exactly as sent (values trimmed)
  std::string body;     // exactly the Content-Length bytes (chunked request bodies are not read)
  std::size_t connection = 0;  // 1-based number of the TCP connection it came on

  // The path: target up to the first '?'.
  std::string path() const;
  // The value of the first header named `name` (ASCII case-insensitive), if any.
  std::optional<std::string> header(std::string_view name) const;
};

// What the node does with one request.
struct FakeReply {
  enum class Kind {
    respond,  // send the status line, headers and body below
    silence,  // keep the connection open and never answer
    reset,    // abort the connection with a TCP RST, no answer
    close,    // close the connection without any answer
    garbage,  // send `body` raw over TLS (no status line, no framing), then close
  };
  Kind kind = Kind::respond;
  int status = 200;
  std::string reason;  // empty: a standard phrase for the status
  HeaderList headers;  // extra headers; Content-Length / Transfer-Encoding added unless present
  std::string body;
  bool chunked = false;  // Transfer-Encoding: chunked instead of Content-Length
  std::size_t chunk_size = 16'384;
  std::chrono::milliseconds delay{0};  // wait before answering (interrupted by shutdown)
  bool close_after = false;            // send "Connection: close" and close after this reply
  bool reset_after = false;            // abort with a TCP RST right after this reply's bytes

  static FakeReply json(std::string body, int status = 200);
  static FakeReply html(std::string body, int status = 200);
  static FakeReply text(std::string body, std::string content_type, int status = 200);
  static FakeReply redirect(int status, std::string location);
  static FakeReply silent();
  static FakeReply reset_connection();
  static FakeReply close_connection();
  static FakeReply raw(std::string bytes);
};

using FakeHandler = std::function<FakeReply(const RecordedRequest&)>;

class FakeNode {
 public:
  // A node with a fresh test CA (make_test_identity), already listening.
  FakeNode();
  // A node presenting `identity` (e.g. one made with another CA to test an untrusted server).
  explicit FakeNode(TlsIdentity identity);
  ~FakeNode();
  FakeNode(const FakeNode&) = delete;
  FakeNode& operator=(const FakeNode&) = delete;

  std::uint16_t port() const;
  std::string base_url() const;       // "https://127.0.0.1:<port>"
  const std::string& ca_pem() const;  // the CA a client must trust to reach this node

  // Replaces the handler; it decides every later request (the path table is then unused).
  void set_handler(FakeHandler handler);
  // Sets the answer for one path (target before '?'), for every request to it.
  void set_reply(std::string path, FakeReply reply);

  std::vector<RecordedRequest> requests() const;
  std::size_t connections_accepted() const;
  std::size_t handshakes_completed() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarnwick::test

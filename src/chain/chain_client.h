// ChainClient: the one outbound client of the scans, reading the chain from a fixed list of
// public API nodes that serve the same chain. A read goes to the node in use; when that node
// gives no answer (no connection, TLS failure, reset, no status within the first-byte limit) or
// turns it away (403, 429, 502, 503, 504), the same request goes to the next node, walking the
// list cyclically, each node at most once, all within the read's one deadline. Any other status
// is the node's answer: a status of 400 or more is a ReadFailure and no other node is asked. The
// node that answered becomes the node in use, so a dead node costs its time once, not per read.
//
// With one node this is exactly its HttpsClient: one attempt, the whole deadline, no first-byte
// limit. The client keeps one kept-alive connection, to the node in use; nothing is printed.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/https_client.h"

namespace tarnwick {

struct ChainSettings {
  // Transport of every attempt. `base_url` is the first node; `overall_deadline` bounds one read
  // with all its attempts; `connect_limit` bounds each attempt's connect and TLS handshake.
  ClientSettings client;
  std::vector<std::string> more_nodes{};  // further node bases, tried after base_url in order
  // Time from an attempt's start until a status line arrives, after which the read moves on to
  // the next node; the last node a read tries has the rest of the deadline instead. 0: none.
  std::chrono::milliseconds first_byte_limit{0};
};

class ChainClient {
 public:
  // One node: settings.base_url. Cannot fail.
  explicit ChainClient(ClientSettings settings);
  // The nodes of `settings`, first the one at base_url. Cannot fail.
  explicit ChainClient(ChainSettings settings);
  ~ChainClient();
  ChainClient(ChainClient&&) noexcept;
  ChainClient& operator=(ChainClient&&) noexcept;
  ChainClient(const ChainClient&) = delete;
  ChainClient& operator=(const ChainClient&) = delete;

  // Base of the node in use: the one that answered the last read (the first node before any
  // read answered). A moved-from client has an empty base and fails every read.
  const std::string& base_url() const;

  // A URL that begins with the base of any listed node is a read of the rest (its path and
  // query): it goes to the node in use first and on around the list. Any other URL is asked once,
  // as it is. The reply is text, as HttpsClient's post_json and get_text give it.
  ReadOutcome post_json(std::string_view url, std::string_view body) const;
  ReadOutcome get_text(std::string_view url) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarnwick

// ChainClient: the one outbound client of the scans, reading the chain from a fixed list of
// public API nodes that serve the same chain. A read goes to the node in use. What counts as the
// node's answer ends the read there:
//   - a whole 2xx answer: the read's reply;
//   - the chain's error answer, a whole answer of status 400 to 499 (but 403, 404 or 429) whose
//     body is JSON with an `error` object holding a numeric `code`, such as an unknown account's
//     400: a ReadFailure, and no other node is asked (a dry run's rule is ChainRead's).
// Anything else is no answer, and the same request goes to the next node not yet asked, at once,
// walking the list cyclically, each node once, all within the read's one deadline: no
// connection, TLS failure, reset, an answer broken after its status line (cut short, reset, over
// the body limit, a redirect that fails or loops), a turn-away (403, 404, 429), any status of 500
// or more whatever its body (the node failing: a chain error with such a status included, so an
// older node's 500 for an unknown account is asked of each node), an error status with any other
// body (a gateway's HTML page, a history server's text error). When no node answers, the read is
// a ReadFailure. The node that answered becomes the node in use, so a dead or broken node costs
// its time once, not per read; a node that gave no answer never does.
//
// No read waits on one slow node while another could answer: an attempt, the node in use's
// included, that has not begun its answer (no status line) within the first-byte limit is not
// abandoned; the next node not yet asked is started beside it. So one read has at most two
// attempts in flight, each on a connection of its own. The first answer or chain error wins,
// whichever node sent it; the other attempt is dropped and its connection closed. An attempt
// that gives no answer hands the read on as above, beside the slow one if it is still in flight.
// When both attempts in flight are slow, the read waits for either, as long as its deadline
// allows: a network where every node is slow still answers.
//
// post_json and get_text make one read and wait for it: one read after another, on one
// kept-alive connection to the node in use. read_all makes a batch of reads at once, up to four
// at a time, each with the walk above of its own: it starts on the node in use when it starts,
// and goes on around the list from there even when another read of the batch moves the node in
// use meanwhile. Between reads a client that has read a batch of two or more keeps up to four
// kept-alive connections, the most recently used (a later batch reuses them; those to a node left
// behind close as reads on the node in use replace them), and one that never did keeps one, to
// the node in use (HTTP/1.1: a connection carries one exchange at a time). No threads: one
// connection driver runs every attempt in flight.
//
// With one node this is exactly its HttpsClient: one attempt a read, the whole deadline, no
// first-byte limit. Nothing is printed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
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
  // Time from an attempt's start until a status line arrives, after which the next node not yet
  // asked is started beside it. 0: none.
  std::chrono::milliseconds first_byte_limit{0};
};

// One read of a batch: a full URL (on a listed node, as for post_json and get_text) and, for a
// POST, its JSON body; a GET has none. A read that `judges_transaction` (a dry run) is ended by
// the chain's error answer at any status but 403, 404 and 429 only when the answer judges the
// transaction itself (transaction_judged); any other error answer, whatever its status, is the
// node's trouble (a database guard, an unknown reference block of a node behind, an expiry by its
// clock) and the read goes on to the next node.
struct ChainRead {
  std::string url;
  std::optional<std::string> json_body;
  bool judges_transaction = false;
};

// Whether the chain's error code `code` judges a transaction itself, so that every node would
// give it: its form (3015000-3015999, but 3015010, the node's own time limit while packing) or
// an authority it names that cannot exist (3090000-3090999).
bool transaction_judged(std::int64_t code);

// The chain's error answer: its `error` object's `code` and `name` (empty when it has none).
struct ChainError {
  std::int64_t code = 0;
  std::string name;

  bool operator==(const ChainError&) const = default;
};

// What one read of a batch gave: the reply and the base of the node that gave it (empty for a URL
// on no listed node), or ReadFailure and an empty node. A read that the chain's error answer
// ended has it in `chain_error`; one that every listed node answered with 404 (none offers the
// route) has `route_missing`.
struct ChainReply {
  ReadOutcome outcome;
  std::string node;
  std::optional<ChainError> chain_error{};
  bool route_missing = false;
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

  // Base of the node in use: the node that answered the last read that any node answered (with a
  // reply or the chain's error answer), in a batch the last read to be answered; the first node
  // before any did. After a read that ended with a reply, the node that gave it. A moved-from
  // client has an empty base and fails every read.
  const std::string& base_url() const;

  // A URL that begins with the base of any listed node is a read of the rest (its path and
  // query): it goes to the node in use first and on around the list. Any other URL is asked once,
  // as it is. The reply is text, as HttpsClient's post_json and get_text give it.
  ReadOutcome post_json(std::string_view url, std::string_view body) const;
  ReadOutcome get_text(std::string_view url) const;

  // Reads every one of `reads` at once, at most four at a time (the rest start, in order, as
  // earlier ones end), each exactly as post_json (with a body) or get_text (without) reads it
  // alone: its own deadline from when it starts, its own walk of the nodes, each asked at most
  // once, at most two attempts of it in flight. The replies in the order of `reads`. With one
  // read this is post_json or get_text, and the node that answered it.
  std::vector<ChainReply> read_all(std::span<const ChainRead> reads) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarnwick

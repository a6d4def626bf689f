// ChainClient: the one outbound client of the scans, reading the chain from a fixed list of
// public API nodes that serve the same chain. A read goes to the node in use. What counts as the
// node's answer ends the read there:
//   - a whole 2xx answer: the read's reply;
//   - the chain's error answer, a whole answer of status 400 to 499 (but 403, 404 or 429) whose
//     body is JSON with an `error` object holding a numeric `code`, such as an unknown account's
//     400: the read's ChainError, and no other node is asked. A read that judges a transaction
//     (a dry run) is ended by the chain's error answer, at any status but 403, 404 and 429, only
//     when the answer judges the transaction itself (transaction_judged); any other error answer
//     is the node's trouble (a database guard, an unknown reference block of a node behind, an
//     expiry by its clock) and the read goes on as below.
// Anything else is no answer, and the same request goes to the next node not yet asked, at once,
// walking the list cyclically, each node once, all within the read's one deadline: no
// connection, TLS failure, reset, an answer broken after its status line (cut short, reset, over
// the body limit, a redirect that fails or loops), a turn-away (403, 404, 429), any status of 500
// or more whatever its body (the node failing: a chain error with such a status included, so an
// older node's 500 for an unknown account is asked of each node), an error status with any other
// body (a gateway's HTML page, a history server's text error). When no node answers, the read is
// a ReadFailure, or RouteMissing when every node answered 404; with a route's end (the request's
// `end`), a read that cannot start with least_read_time left, or is cut at that end, is
// OverBudget. The node that answered (a reply, or the chain's error answer, a dry run's that did
// not end it included) becomes the node in use, so a dead or broken node costs its time once,
// not per read. A read that no node answered moves the node in use to the first node it did not
// ask, or, when it asked them all, to the one after the node in use; of reads under way together
// only the first does, and only when none of them was answered. RouteMissing moves nothing.
//
// No read waits on one slow node while another could answer: an attempt, the node in use's
// included, that has no whole answer within the answer limit (none begun, or one that stalls or
// trickles after its status line) is not abandoned; the next node not yet asked is started
// beside it, and beside both when both are late. So one read has at most three attempts in
// flight, each on a connection of its own. The first answer or chain error wins, whichever node
// sent it; the other attempts are dropped and their connections closed. An attempt that gives no
// answer hands the read on as above, beside the late ones still in flight. When every attempt in
// flight is late and no node is left or three are in flight, the read waits for any, as long as
// its deadline allows: a network where every node is slow still answers.
//
// Reads are started one at a time (Transport): at most four are in flight, each with the walk
// above of its own; the rest begin, in the order started, as earlier ones end. A read starts on
// the node in use when it begins, and goes on around the list from there even when another read
// moves the node in use meanwhile. Each request becomes an exchange in one place: the node asked
// joined to the request's path. Between reads a client that has had two or more reads under way
// at once keeps up to four kept-alive connections, the most recently used (later reads reuse
// them; those to a node left behind close as reads on the node in use replace them), and one that
// never did keeps one, to the node in use (HTTP/1.1: a connection carries one exchange at a time).
// No threads: one connection driver runs every attempt in flight. The exchanges and the clock are
// an HttpsClient's of the client's own, or those given (tests: scripted, on a scripted clock).
//
// With one node this is exactly its HttpsClient: one attempt a read, the whole deadline, no
// answer limit. Nothing is printed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chain/transport.h"
#include "common/exchanges.h"
#include "common/https_client.h"

namespace tarnwick {

struct ChainSettings {
  // Transport of every attempt. `base_url` is the first node; `overall_deadline` bounds one read
  // with all its attempts; `connect_limit` bounds each attempt's connect and TLS handshake.
  ClientSettings client;
  std::vector<std::string> more_nodes{};  // further node bases, tried after base_url in order
  // Time from an attempt's start until a status line arrives, after which the next node not yet
  // asked is started beside it. 0: none.
  std::chrono::milliseconds answer_limit{0};
};

// Whether the chain's error code `code` judges a transaction itself, so that every node would
// give it: its form (3015000-3015999, but 3015010, the node's own time limit while packing) or
// an authority it names that cannot exist (3090000-3090999).
bool transaction_judged(std::int64_t code);

class ChainClient final : public Transport {
 public:
  // One node: settings.base_url. Cannot fail.
  explicit ChainClient(ClientSettings settings);
  // The nodes of `settings`, first the one at base_url. Cannot fail.
  explicit ChainClient(ChainSettings settings);
  // The same over `exchanges` and its clock instead of an HttpsClient of its own: of
  // settings.client only the base URL and the overall deadline count. The client keeps a
  // reference: `exchanges` must outlive it.
  ChainClient(ChainSettings settings, const Exchanges& exchanges);
  ~ChainClient() override;
  ChainClient(ChainClient&&) noexcept;
  ChainClient& operator=(ChainClient&&) noexcept;
  ChainClient(const ChainClient&) = delete;
  ChainClient& operator=(const ChainClient&) = delete;

  // Base of the node in use: the node that answered the last read that any node answered (with a
  // reply or the chain's error answer), of reads in flight together the last to be answered; the
  // first node before any did. After a read that ended with a reply, the node that gave it. A
  // moved-from client has an empty base and gives no read.
  const std::string& base_url() const;

  // Transport. A read's delivery is a Reply with the node that answered it, the ChainError that
  // ended it, RouteMissing when every node answered 404, or else ReadFailure; its own deadline
  // runs from when it begins.
  ReadId start(ChainRequest request) const override;
  std::optional<Delivered> next() const override;
  std::string node_in_use() const override;
  std::chrono::steady_clock::time_point now() const override;
  bool reads_pending() const override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarnwick

// The network as a read session reaches it. A read is a request (a path on the node, a body for a
// POST) and ends in one Delivery. Reads are started one at a time and end in whichever order
// their answers come; at most four are in flight, the others wait, in the order started, for one
// to end. The chain client is the production transport (its nodes, failover and deadlines);
// tests put one in memory under the same sessions and plans. Used from one thread; its methods
// are const as a client's are: what they change is the network's state, not the caller's.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "common/exchanges.h"

namespace tarnwick {

// One read: `path` on the node ("/v1/chain/get_account", "/v2/history/get_actions?account=..")
// and, for a POST, its finished JSON body; a GET has none. A read that `judges_transaction` (a dry
// run) is ended by the chain's error answer only when the answer judges the transaction itself
// (see ChainClient); any other is the node's trouble and the read goes on to the next node.
// `end`, the end of the route's time: the read starts only while at least least_read_time of it
// remains and is given only the time left, and one that cannot start or is cut at the end is
// OverBudget; none (the scan's reads): the read has the client's whole deadline. Requests are the
// same when they ask the same: `end` is when, not what.
struct ChainRequest {
  std::string path;
  std::optional<std::string> body;
  bool judges_transaction = false;
  std::optional<std::chrono::steady_clock::time_point> end{};

  bool operator==(const ChainRequest& other) const {
    return path == other.path && body == other.body &&
           judges_transaction == other.judges_transaction;
  }
};

// The least time a read is started with: a route with less left starts no read.
inline constexpr std::chrono::milliseconds least_read_time{1'000};

// A reply and the base of the node that gave it.
struct Reply {
  std::string text;
  std::string node;

  bool operator==(const Reply&) const = default;
};

// The chain's error answer that ended a read: its `error` object's `code` and `name` (empty when
// it has none), as every node would give it.
struct ChainError {
  std::int64_t code = 0;
  std::string name;

  bool operator==(const ChainError&) const = default;
};

// Every node asked answered 404: none offers the route.
struct RouteMissing {
  bool operator==(const RouteMissing&) const = default;
};

// The read was not made, or was cut short, for want of the time its route had left.
struct OverBudget {
  bool operator==(const OverBudget&) const = default;
};

// What one read brought. ReadFailure: no node answered it.
using Delivery = std::variant<Reply, ReadFailure, ChainError, RouteMissing, OverBudget>;

// A read started on a transport, told apart from every other read it started.
using ReadId = std::uint64_t;

struct Delivered {
  ReadId read = 0;
  Delivery delivery;
};

// Reads in flight at once at most.
inline constexpr std::size_t reads_at_once = 4;

class Transport {
 public:
  virtual ~Transport() = default;

  // Starts `request`. It is sent when fewer than reads_at_once reads are in flight, after those
  // started before it, at the latest within the next call of next().
  virtual ReadId start(ChainRequest request) const = 0;
  // Waits until a read started and not yet given ends, whichever ends first, and gives it; none
  // at once when there is no such read.
  virtual std::optional<Delivered> next() const = 0;
  // The base of the node the next read asks first.
  virtual std::string node_in_use() const = 0;
  // The time the reads run on: a read session's budget is measured on it.
  virtual std::chrono::steady_clock::time_point now() const = 0;
  // True while a read started is not yet given by next(): waiting, in flight, or ended.
  virtual bool reads_pending() const = 0;

  // Starts each of `requests`, in order, and waits for them all: their deliveries in the same
  // order. A delivery of one read is exactly that read. Cannot fail. No read of this transport
  // may be pending (reads_pending) when it is called, or its delivery could be taken for one of
  // these; checked by an assertion.
  std::vector<Delivery> deliver(std::span<const ChainRequest> requests) const;
  Delivery deliver(const ChainRequest& request) const;
};

}  // namespace tarnwick

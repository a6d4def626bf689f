// ReadSession: the reads of one request, made through one transport and read with one JSON
// reader, within the route's read budget (a count and a time). It is the one place where a read
// becomes a fact or a reason: a read that fails, or that the budget does not reach, is never a
// fact, and every fact names the node that answered it.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "assess/reason.h"
#include "chain/transport.h"

namespace tarnwick {

class JsonReader;

// How many reads a request may make and how long it may read. With a `total_time`, its end
// travels with every read to the transport: a read starts only while at least least_read_time of
// it remains and is given only the time left, so no answer outlives the route's bound. Without
// one (the scan), each read has the client's own deadline.
struct ReadBudget {
  std::uint32_t max_reads = 0;
  std::optional<std::chrono::milliseconds> total_time;
};

// What one read gave: its reply and node, or the reason there is none.
struct Reading {
  std::optional<std::string> reply;
  std::string node;  // empty without a reply
  Reason why;        // read failed, or not reached within the budget; empty with a reply
  // For a read that failed: the chain's error answer that ended it (its code and name, never its
  // body), or whether every node answered 404, offering no such route.
  std::optional<ChainError> chain_error{};
  bool route_missing = false;
};

// The one step from a read to a fact: `from_reply(reader, reply)` for a reply, the fact naming
// the node that gave it; for no reply, the fact unavailable with the reading's reason.
template <class Fact, class FromReply>
Fact fact_of(JsonReader& reader, const Reading& reading, FromReply&& from_reply) {
  if (!reading.reply) {
    Fact fact;
    fact.why = reading.why;
    return fact;
  }
  Fact fact = from_reply(reader, *reading.reply);
  fact.node = reading.node;
  return fact;
}

class ReadSession {
 public:
  // The budget's time is measured on the transport's clock. `transport` and `reader` must
  // outlive the session.
  ReadSession(const Transport& transport, JsonReader& reader, ReadBudget budget);

  // Why no further read may start ("read limit reached", "time limit reached"); empty while one
  // may.
  Reason refusal() const;

  // Reads `requests` together (the transport decides how many at once), each charged to the
  // budget in the order given, before any starts; a read the budget does not reach is not made
  // and gets the refusal, as does a read the transport could not make in the time its route had
  // left ("time limit reached"). The readings in the order of `requests`.
  std::vector<Reading> read(std::span<const ChainRequest> requests);
  // One read alone: its request moved to the transport, no list made.
  Reading read(ChainRequest request);

  // One read started alone, charged to the budget as it starts: its id, or, when the budget does
  // not reach it, no read and the reading it ends in (the refusal). Its reading comes from next().
  struct Started {
    std::optional<ReadId> read;
    Reading refused;  // without `read`
  };
  Started start(ChainRequest request);
  // The read started with start() that ends first, and its reading; none when none is open.
  std::optional<std::pair<ReadId, Reading>> next();

  // One read made into a fact (fact_of).
  template <class Fact, class FromReply>
  Fact fact(const ChainRequest& request, FromReply&& from_reply) {
    return fact_of<Fact>(reader_, read(request), std::forward<FromReply>(from_reply));
  }

  // The end of the route's time, which every read carries; none without a total time.
  std::optional<std::chrono::steady_clock::time_point> end() const;

  JsonReader& reader() { return reader_; }
  std::uint32_t reads() const { return reads_; }
  // The node the next read asks first: after reads that a node answered, the one that did.
  std::string node_in_use() const { return transport_.node_in_use(); }

 private:
  const Transport& transport_;
  JsonReader& reader_;
  ReadBudget budget_;
  std::chrono::steady_clock::time_point start_;
  std::uint32_t reads_ = 0;
};

// The text of a read that no node answered.
inline constexpr std::string_view read_failed_text = "read failed";

}  // namespace tarnwick

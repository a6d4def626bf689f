// MemoryTransport: the network of a read session in memory, for testing reply readers and plans
// without sockets. The handler answers each read with a whole Delivery (a reply, ReadFailure, the
// chain's error answer, a missing route, over budget) that comes `after` a time on the
// transport's own clock, which moves only as reads end: next() gives the read that ends first
// (of reads that end together, the first started). As on the chain client, at most four reads are
// in flight and the rest begin, in order, as earlier ones end; a read that would end after its
// route's end is over budget at that end. Each read is recorded with the reads started together.
// Not product code.
#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "chain/transport.h"

namespace tarnwick::test {

// How the node answers one read.
struct Scripted {
  // A reply from the transport's node; none: the read fails.
  Scripted(std::optional<std::string> reply)
      : delivery(reply ? Delivery{Reply{std::move(*reply), {}}} : Delivery{ReadFailure{}}) {}
  Scripted(std::string reply) : delivery(Reply{std::move(reply), {}}) {}
  Scripted(const char* reply) : Scripted(std::string(reply)) {}
  // A reply without a node comes from the transport's node.
  Scripted(Delivery whole, std::chrono::milliseconds late = {})
      : delivery(std::move(whole)), after(late) {}

  Delivery delivery;
  std::chrono::milliseconds after{0};  // from when the read begins until it ends
};

class MemoryTransport final : public Transport {
 public:
  using Handler = std::function<Scripted(const ChainRequest&)>;

  explicit MemoryTransport(Handler handler) : handler_(std::move(handler)) {}

  ReadId start(ChainRequest request) const override {
    if (!starting_) batches_.emplace_back();
    starting_ = true;
    batches_.back().push_back(request);
    waiting_.push_back(Read{next_id_, std::move(request), {}, {}});
    return next_id_++;
  }

  std::optional<Delivered> next() const override {
    starting_ = false;
    while (open_.size() < reads_at_once && !waiting_.empty()) {
      Read read = std::move(waiting_.front());
      waiting_.pop_front();
      Scripted answer = handler_(read.request);
      if (Reply* reply = std::get_if<Reply>(&answer.delivery); reply && reply->node.empty()) {
        reply->node = node;
      }
      read.delivery = std::move(answer.delivery);
      read.ends_at = now_ + latency + answer.after;
      if (rounds_.empty() || rounds_.back().first != now_)
        rounds_.emplace_back(now_, std::vector<ChainRequest>{});
      rounds_.back().second.push_back(read.request);
      // As on the chain client: no read outlives its route's end.
      const std::optional<std::chrono::steady_clock::time_point> end = read.request.end;
      if (end && (*end - now_ < least_read_time || read.ends_at > *end)) {
        read.delivery = OverBudget{};
        read.ends_at = std::max(now_, std::min(read.ends_at, *end));
      }
      open_.push_back(std::move(read));
    }
    if (open_.empty()) return std::nullopt;
    const auto first =
        std::min_element(open_.begin(), open_.end(),
                         [](const Read& a, const Read& b) { return a.ends_at < b.ends_at; });
    Delivered done{first->id, std::move(first->delivery)};
    now_ = first->ends_at;
    open_.erase(first);
    return done;
  }

  std::string node_in_use() const override { return node; }
  std::chrono::steady_clock::time_point now() const override { return now_; }
  bool reads_pending() const override { return !waiting_.empty() || !open_.empty(); }

  // The reads started together (no next() between them), in order.
  const std::vector<std::vector<ChainRequest>>& batches() const { return batches_; }
  // The reads that began at the same time, in the order begun: with a latency, the round trips.
  std::vector<std::vector<ChainRequest>> rounds() const {
    std::vector<std::vector<ChainRequest>> out;
    for (const auto& round : rounds_) out.push_back(round.second);
    return out;
  }

  std::string node = "https://memory";
  std::chrono::milliseconds latency{0};  // of every read, beside its own `after`

 private:
  struct Read {
    ReadId id = 0;
    ChainRequest request;
    Delivery delivery;
    std::chrono::steady_clock::time_point ends_at{};
  };

  Handler handler_;
  mutable std::vector<std::vector<ChainRequest>> batches_;
  mutable std::vector<std::pair<std::chrono::steady_clock::time_point, std::vector<ChainRequest>>>
      rounds_;
  mutable bool starting_ = false;
  mutable std::deque<Read> waiting_;
  mutable std::vector<Read> open_;  // in the order begun
  mutable ReadId next_id_ = 0;
  mutable std::chrono::steady_clock::time_point now_{};
};

}  // namespace tarnwick::test

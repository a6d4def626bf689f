// A route's reads as it made them, and the same requests made bare the same way, so a benchmark
// compares a route with its own network exchanges and nothing else. RecordingTransport passes
// every call to the transport under it and logs, in order, each read started and each wait for
// one; replay() makes the logged requests on a transport with the same starts and the same
// waits, reading no reply: reads begun together by the route begin together again, as many in
// flight at once as the route had. Benchmark support, not product code.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "chain/transport.h"

namespace tarnwick::bench {

// A start (its request) or a wait for the next read to end (none), in the order made.
using ReadLog = std::vector<std::optional<ChainRequest>>;

class RecordingTransport final : public Transport {
 public:
  explicit RecordingTransport(const Transport& under) : under_(under) {}

  ReadId start(ChainRequest request) const override {
    log_.emplace_back(request);
    return under_.start(std::move(request));
  }
  std::optional<Delivered> next() const override {
    log_.emplace_back(std::nullopt);
    return under_.next();
  }
  std::string node_in_use() const override { return under_.node_in_use(); }
  std::chrono::steady_clock::time_point now() const override { return under_.now(); }
  bool reads_pending() const override { return under_.reads_pending(); }

  const ReadLog& log() const { return log_; }

 private:
  const Transport& under_;
  mutable ReadLog log_;
};

// How many reads each run of starts began together (the starts between two waits), in order.
inline std::vector<std::size_t> begun_together(const ReadLog& log) {
  std::vector<std::size_t> groups;
  bool open = false;
  for (const std::optional<ChainRequest>& step : log) {
    if (!step) {
      open = false;
      continue;
    }
    if (!open) groups.push_back(0);
    open = true;
    ++groups.back();
  }
  return groups;
}

// begun_together as text: "4,1,2".
inline std::string begun_together_text(const ReadLog& log) {
  std::string out;
  for (const std::size_t group : begun_together(log)) {
    if (!out.empty()) out += ',';
    out += std::to_string(group);
  }
  return out;
}

// Makes the requests of `log` on `transport` with its starts and waits, then waits for any read
// still open; the number of reads that did not end in a reply. The route's end is not carried:
// each bare read has the transport's own deadline.
inline std::size_t replay(const Transport& transport, const ReadLog& log) {
  std::size_t failures = 0;
  const auto given = [&](const std::optional<Delivered>& done) {
    if (done && !std::holds_alternative<Reply>(done->delivery)) ++failures;
    return done.has_value();
  };
  for (const std::optional<ChainRequest>& step : log) {
    if (!step) {
      given(transport.next());
      continue;
    }
    ChainRequest request = *step;
    request.end.reset();
    transport.start(std::move(request));
  }
  while (given(transport.next())) {
  }
  return failures;
}

}  // namespace tarnwick::bench

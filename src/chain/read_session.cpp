#include "chain/read_session.h"

#include <algorithm>
#include <cassert>
#include <utility>
#include <variant>

namespace tarnwick {
namespace {

constexpr std::string_view time_limit_text = "time limit reached";

// The reading of a delivery, whose reply and node are moved, never copied.
Reading reading_of(Delivery& delivery) {
  Reading reading;
  if (Reply* reply = std::get_if<Reply>(&delivery)) {
    reading.reply.emplace().swap(reply->text);
    reading.node.swap(reply->node);
    return reading;
  }
  if (std::holds_alternative<OverBudget>(delivery)) {
    reading.why = reason(ReasonCode::over_budget, time_limit_text);
    return reading;
  }
  reading.why = reason(ReasonCode::read_failed, read_failed_text);
  if (const ChainError* error = std::get_if<ChainError>(&delivery)) reading.chain_error = *error;
  reading.route_missing = std::holds_alternative<RouteMissing>(delivery);
  return reading;
}

}  // namespace

ReadSession::ReadSession(const Transport& transport, JsonReader& reader, ReadBudget budget)
    : transport_(transport), reader_(reader), budget_(budget), start_(transport.now()) {}

Reason ReadSession::refusal() const {
  if (reads_ >= budget_.max_reads) return reason(ReasonCode::over_budget, "read limit reached");
  if (budget_.total_time && transport_.now() - start_ + least_read_time > *budget_.total_time) {
    return reason(ReasonCode::over_budget, time_limit_text);
  }
  return {};
}

std::optional<std::chrono::steady_clock::time_point> ReadSession::end() const {
  if (!budget_.total_time) return std::nullopt;
  return start_ + *budget_.total_time;
}

ReadSession::Started ReadSession::start(ChainRequest request) {
  Started started;
  started.refused.why = refusal();
  if (!started.refused.why.empty()) return started;
  ++reads_;
  request.end = end();
  started.read = transport_.start(std::move(request));
  return started;
}

std::optional<std::pair<ReadId, Reading>> ReadSession::next() {
  std::optional<Delivered> done = transport_.next();
  std::optional<std::pair<ReadId, Reading>> out;
  if (done) out.emplace(done->read, reading_of(done->delivery));
  return out;
}

std::vector<Reading> ReadSession::read(std::span<const ChainRequest> requests) {
  // Each read is charged when it starts, in the order given, so the same plan meets the same
  // bound whatever the timing of the replies; those the budget admits are read together.
  std::vector<Reading> readings(requests.size());
  std::vector<std::pair<ReadId, std::size_t>> open;
  open.reserve(requests.size());
  for (std::size_t i = 0; i < requests.size(); ++i) {
    Started started = start(requests[i]);
    if (started.read) {
      open.emplace_back(*started.read, i);
    } else {
      readings[i] = std::move(started.refused);
    }
  }
  for (std::size_t given = 0; given < open.size();) {
    std::optional<std::pair<ReadId, Reading>> done = next();
    assert(done && "each read started is given once");
    if (!done) break;
    const auto at = std::find_if(open.begin(), open.end(),
                                 [&](const auto& read) { return read.first == done->first; });
    if (at == open.end()) continue;
    readings[at->second] = std::move(done->second);
    ++given;
  }
  return readings;
}

Reading ReadSession::read(ChainRequest request) {
  // A read alone needs no list: started, then given by the transport as the only one open.
  Started started = start(std::move(request));
  if (!started.read) return std::move(started.refused);
  for (;;) {
    std::optional<std::pair<ReadId, Reading>> done = next();
    assert(done && "the read started is given");
    if (!done) {
      Reading lost;
      lost.why = reason(ReasonCode::read_failed, read_failed_text);
      return lost;
    }
    if (done->first == *started.read) return std::move(done->second);
  }
}

}  // namespace tarnwick

#include "support/scripted_exchanges.h"

#include <algorithm>
#include <utility>

namespace tarnwick::test {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds never = milliseconds::max();

}  // namespace

ScriptedAnswer ScriptedAnswer::json(std::string body, int status, milliseconds after) {
  return ScriptedAnswer{Kind::answer, status, std::move(body), after};
}

ScriptedAnswer ScriptedAnswer::broken(milliseconds after) {
  return ScriptedAnswer{Kind::broken, 0, {}, after};
}

ScriptedAnswer ScriptedAnswer::silent() { return ScriptedAnswer{Kind::silent, 0, {}, {}}; }

ScriptedExchanges::ScriptedExchanges(Handler handler) : handler_(std::move(handler)) {}

std::optional<std::size_t> ScriptedExchanges::start(std::string_view url,
                                                    std::optional<std::string_view> json_body,
                                                    ExchangeLimits limits) const {
  if (limits.deadline.count() <= 0) return std::nullopt;
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    if (slots_[slot]) continue;
    started_.push_back(StartedExchange{
        std::string(url), json_body ? std::optional<std::string>(*json_body) : std::nullopt, limits,
        now_});
    slots_[slot] = InFlight{started_.size() - 1, handler_(started_.back())};
    return slot;
  }
  return std::nullopt;
}

ExchangeEvent ScriptedExchanges::wait() const {
  // The next event: the earliest time; of one moment, an end before an answer limit, then the
  // lowest slot.
  std::optional<std::size_t> next;
  milliseconds next_at = never;
  bool next_ends = false;
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    if (!slots_[slot]) continue;
    const InFlight& flight = *slots_[slot];
    const StartedExchange& started = started_[flight.exchange];
    const milliseconds deadline_at = started.at + started.limits.deadline;
    const milliseconds arrives_at = flight.answer.kind == ScriptedAnswer::Kind::silent
                                        ? never
                                        : started.at + flight.answer.after;
    const milliseconds ends_at = std::min(arrives_at, deadline_at);
    if (ends_at < next_at || (ends_at == next_at && !next_ends)) {
      next = slot;
      next_at = ends_at;
      next_ends = true;
    }
    const milliseconds limit = started.limits.answer_limit;
    if (limit.count() <= 0 || flight.late_reported) continue;
    const milliseconds late_at = started.at + limit;
    if (late_at < ends_at && late_at < next_at) {
      next = slot;
      next_at = late_at;
      next_ends = false;
    }
  }
  if (!next) return ExchangeEvent{};
  now_ = next_at;
  InFlight& flight = *slots_[*next];
  ExchangeEvent event;
  event.slot = *next;
  if (!next_ends) {
    flight.late_reported = true;
    event.kind = ExchangeEvent::Kind::answer_late;
    return event;
  }
  event.kind = ExchangeEvent::Kind::ended;
  const StartedExchange& started = started_[flight.exchange];
  const bool in_time = started.at + flight.answer.after <= next_at;
  if (flight.answer.kind == ScriptedAnswer::Kind::answer && in_time) {
    const int status = flight.answer.status;
    event.exchange.status = status;
    event.exchange.ending = Ending::complete;
    event.exchange.first_byte_after = flight.answer.after;
    if (status < 400) {
      event.exchange.outcome = std::move(flight.answer.body);
    } else {
      event.exchange.error_body = std::move(flight.answer.body);
    }
  }
  slots_[*next].reset();
  return event;
}

void ScriptedExchanges::drop(std::size_t slot) const {
  if (slot >= slots_.size() || !slots_[slot]) return;
  started_[slots_[slot]->exchange].dropped = true;
  slots_[slot].reset();
}

void ScriptedExchanges::keep_connections(std::size_t) const {}  // no connections to keep

std::chrono::steady_clock::time_point ScriptedExchanges::now() const {
  return std::chrono::steady_clock::time_point{} + now_;
}

std::size_t ScriptedExchanges::started_on(std::string_view base) const {
  std::size_t count = 0;
  for (const StartedExchange& started : started_) {
    const std::string_view url = started.url;
    if (url.starts_with(base) && (url.size() == base.size() || url[base.size()] == '/')) ++count;
  }
  return count;
}

std::chrono::milliseconds ScriptedExchanges::elapsed() const { return now_; }

}  // namespace tarnwick::test

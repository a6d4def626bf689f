// Exchanges: HTTPS exchanges in flight together and the clock they run on, as a client that asks
// several servers at once reaches them: start one, wait for the next event of any, drop one, read
// the time. HttpsClient is the real one (steady clock, libcurl); tests put scripted exchanges on a
// scripted clock under the same client. Used from one thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tarnwick {

// The only failure a read reports. It carries no detail: callers cannot and need not tell its
// causes apart.
struct ReadFailure {
  bool operator==(const ReadFailure&) const = default;
};

// The reply text of a successful exchange, or ReadFailure.
using ReadOutcome = std::variant<std::string, ReadFailure>;

// How an exchange ended.
enum class Ending {
  complete,     // a whole final answer arrived (whatever its status)
  broken,       // no whole answer: no connection, TLS, reset, garbage, a body cut short or
                // over the limit, a redirect that failed or looped, the deadline
  answer_late,  // no whole answer within the answer limit; nothing else went wrong
};

// How one exchange ended, for a caller that decides by its cause whether to ask elsewhere.
struct Exchange {
  ReadOutcome outcome;  // the reply text of a whole answer of a status below 400, or ReadFailure
  int status = 0;       // the last HTTP status that arrived; 0: none did (no connection, TLS
                        // failure, reset, garbage, a stall, the deadline before any answer)
  Ending ending = Ending::broken;
  std::string error_body;  // a complete answer of status 400 or more: its body (at most 64 KiB)
  // From the exchange's start until its first status line arrived; 0 when none did.
  std::chrono::microseconds first_byte_after{0};
};

// The time one exchange may take.
struct ExchangeLimits {
  std::chrono::milliseconds deadline;      // the whole exchange; at least 1 ms
  std::chrono::milliseconds answer_limit;  // from its start until a whole answer; 0: none.
                                           // Kept to within a few milliseconds.
};

// What Exchanges::wait() reports about one of the exchanges in flight.
struct ExchangeEvent {
  enum class Kind {
    idle,         // no exchange is in flight
    ended,        // the exchange in `slot` ended as `exchange` tells; the slot is free again
    answer_late,  // the exchange in `slot` has no whole answer at its answer limit (none begun,
                  // or one stalled or trickling after its status line); it goes
                  // on, bounded by its deadline (reported once)
  };
  Kind kind = Kind::idle;
  std::size_t slot = 0;
  Exchange exchange{ReadFailure{}, 0, Ending::broken, {}, {}};  // for `ended`
};

class Exchanges {
 public:
  // Most exchanges in flight at once: four reads of the chain client, each with at most three
  // attempts.
  static constexpr std::size_t max_in_flight = 12;

  virtual ~Exchanges() = default;

  // Begins a POST of `json_body` (finished JSON, "content-type: application/json") or, without
  // one, a GET of `url`, within `limits`, without waiting: the slot it runs in (below
  // max_in_flight), or nullopt when every slot is taken or it could not be set up (nothing was
  // sent). Its answer limit does not end it: wait() reports it.
  virtual std::optional<std::size_t> start(std::string_view url,
                                           std::optional<std::string_view> json_body,
                                           ExchangeLimits limits) const = 0;
  // Waits until an exchange in flight ends or passes its answer limit, and reports that (an
  // end before an answer limit of the same moment); `idle` at once when none is in flight.
  virtual ExchangeEvent wait() const = 0;
  // Ends the exchange in `slot` unreported, closing its connection if it was still running; the
  // slot is free again. Nothing when no exchange is in flight there.
  virtual void drop(std::size_t slot) const = 0;
  // Connections kept open between exchanges from now on (at least one).
  virtual void keep_connections(std::size_t count) const = 0;
  // The time on which deadlines and limits are measured.
  virtual std::chrono::steady_clock::time_point now() const = 0;
};

}  // namespace tarnwick

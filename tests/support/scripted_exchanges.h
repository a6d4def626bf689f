// ScriptedExchanges: HTTPS exchanges and their clock in memory, for driving the chain client's
// failover without sockets and without waiting. The handler scripts how each exchange ends and
// when; the clock moves only as wait() reaches the next event, so a row of 12-second deadlines
// runs in microseconds. Deadlines and answer limits are kept as HttpsClient keeps them: an
// exchange ends broken at its deadline, one without a status line at its answer limit is
// reported late once and goes on, and an end is reported before a limit of the same moment.
// Every exchange started is recorded. Not product code.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/exchanges.h"

namespace tarnwick::test {

// How a server answers one exchange.
struct ScriptedAnswer {
  enum class Kind {
    answer,  // a whole answer of `status` with `body`, its status line and body at `after`
    broken,  // no answer at all (refused, reset, TLS, garbage) at `after`
    silent,  // nothing, ever: the exchange ends at its deadline
  };
  Kind kind = Kind::answer;
  int status = 200;
  std::string body;
  std::chrono::milliseconds after{0};

  static ScriptedAnswer json(std::string body, int status = 200,
                             std::chrono::milliseconds after = {});
  static ScriptedAnswer broken(std::chrono::milliseconds after = {});
  static ScriptedAnswer silent();
};

// An exchange as it was started.
struct StartedExchange {
  std::string url;
  std::optional<std::string> body;  // none: a GET
  ExchangeLimits limits;
  std::chrono::milliseconds at;  // on the scripted clock, from its start
  bool dropped = false;
};

class ScriptedExchanges final : public Exchanges {
 public:
  using Handler = std::function<ScriptedAnswer(const StartedExchange&)>;

  explicit ScriptedExchanges(Handler handler);

  std::optional<std::size_t> start(std::string_view url, std::optional<std::string_view> json_body,
                                   ExchangeLimits limits) const override;
  ExchangeEvent wait() const override;
  void drop(std::size_t slot) const override;
  void keep_connections(std::size_t count) const override;
  std::chrono::steady_clock::time_point now() const override;

  // Every exchange started, in order.
  const std::vector<StartedExchange>& started() const { return started_; }
  // How many of them went to `base` (a node's "https://host").
  std::size_t started_on(std::string_view base) const;
  // The time on the scripted clock since it began.
  std::chrono::milliseconds elapsed() const;

 private:
  struct InFlight {
    std::size_t exchange = 0;  // its index in started_
    ScriptedAnswer answer;
    bool late_reported = false;
  };

  Handler handler_;
  mutable std::vector<StartedExchange> started_;
  mutable std::array<std::optional<InFlight>, max_in_flight> slots_{};
  mutable std::chrono::milliseconds now_{0};
};

}  // namespace tarnwick::test

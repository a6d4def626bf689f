#include "chain/chain_client.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/json_reader.h"

namespace tarnwick {
namespace {

// Statuses by which a node turns a request away rather than answering it: an operator's ban, a
// missing route, rate limiting. Whatever their body says, the question stays open; so it does for
// every status of 500 or more, the node failing (an older node's 500 for an unknown account among
// them, which costs a read of each node, never a wrong answer).
bool turned_away(int status) {
  switch (status) {
    case 403:
    case 404:
    case 429: return true;
    default: return status >= 500;
  }
}

// An error code as a signed integer: a fraction is 0, a whole number beyond the range its limit.
std::int64_t integer_code(const JsonNumber& code) {
  if (const std::int64_t* negative = std::get_if<std::int64_t>(&code)) return *negative;
  if (const std::uint64_t* whole = std::get_if<std::uint64_t>(&code)) {
    return static_cast<std::int64_t>(
        std::min<std::uint64_t>(*whole, std::numeric_limits<std::int64_t>::max()));
  }
  return 0;
}

// The chain's own error answer in `body`: JSON whose `error` member is an object with a numeric
// `code` (as nodes send for an unknown account), its code and name. A gateway's HTML page, a
// text `error` (a history server's) or anything cut short is none.
std::optional<ChainError> chain_error_answer(std::string_view body) {
  std::optional<ChainError> error;
  JsonReader reader;
  reader.read_members(body, [&](std::string_view key, JsonValue& value) {
    if (key != "error") return;
    error.reset();  // the last member of a name is the one that counts
    std::optional<JsonNumber> code;
    std::string name;
    for_each_member(value, [&](std::string_view inner, JsonValue& member) {
      if (inner == "code") code = number(member);
      if (inner == "name") name = std::string(text_or_empty(member));
    });
    if (code) error = ChainError{integer_code(*code), std::move(name)};
  });
  return error;
}

enum class Reply {
  answer,       // a 2xx answer: the read's outcome
  chain_error,  // the chain's error answer: a ReadFailure that no other node is asked about
  none,         // no answer: ask the next node
};

// Attempts of one read in flight at most: the slow one and the one started beside it.
constexpr std::ptrdiff_t attempts_at_once = 2;
// Reads of a batch in flight at most, each on a connection of its own (and one more for its
// second attempt), and so the connections kept between reads once a batch was read.
constexpr std::size_t reads_at_once = 4;
static_assert(reads_at_once * static_cast<std::size_t>(attempts_at_once) <=
              HttpsClient::max_in_flight);

// How an exchange ends its read. Of a read that judges a transaction, the chain's error answer
// ends it at any status but a turn-away only when its code judges the transaction itself
// (transaction_judged); every other error answer is the node's trouble and goes on. Of any other
// read, the chain's error answer ends it at a status of 400 to 499 but a turn-away. A read that
// the chain's error answer ends has it in `error`.
struct Judged {
  Reply reply = Reply::none;
  std::optional<ChainError> error;
};
Judged judge(const Exchange& exchange, bool judges_transaction) {
  if (exchange.ending != Ending::complete) return {};
  if (exchange.status >= 200 && exchange.status < 300) return {Reply::answer, std::nullopt};
  const bool refused = exchange.status == 403 || exchange.status == 404 || exchange.status == 429;
  if (exchange.status < 400 || refused) return {};
  if (!judges_transaction && turned_away(exchange.status)) return {};
  std::optional<ChainError> error = chain_error_answer(exchange.error_body);
  if (!error || (judges_transaction && !transaction_judged(error->code))) return {};
  return {Reply::chain_error, std::move(error)};
}

// The part of `url` after `base`, when `url` is on that node ("base" then "/", "?" or nothing).
std::optional<std::string_view> path_on(std::string_view url, std::string_view base) {
  if (base.empty() || url.substr(0, base.size()) != base) return std::nullopt;
  const std::string_view rest = url.substr(base.size());
  if (!rest.empty() && rest.front() != '/' && rest.front() != '?') return std::nullopt;
  return rest;
}

}  // namespace

bool transaction_judged(std::int64_t code) {
  const bool form = code >= 3015000 && code <= 3015999 && code != 3015010;
  const bool authority = code >= 3090000 && code <= 3090999;
  return form || authority;
}

struct ChainClient::State {
  HttpsClient http;
  std::vector<std::string> nodes;  // never empty
  std::chrono::milliseconds deadline;
  std::chrono::milliseconds first_byte_limit;  // 0 with one node: it has the whole deadline
  // The sticky choice: the node asked first. It changes only when another node answered a read
  // (an answer or the chain's error answer), never when the node in use gave no answer.
  std::size_t in_use = 0;

  explicit State(ChainSettings settings)
      : http(settings.client),
        deadline(settings.client.overall_deadline),
        first_byte_limit(settings.more_nodes.empty() ? std::chrono::milliseconds{0}
                                                     : settings.first_byte_limit) {
    nodes.push_back(std::move(settings.client.base_url));
    for (std::string& node : settings.more_nodes) nodes.push_back(std::move(node));
  }

  // One read of a batch as it goes.
  struct Walk {
    std::optional<std::string_view> path;  // on the nodes; none: the URL is asked once as it is
    std::size_t first = 0;                 // the node in use when it started
    std::size_t asked = 0;                 // nodes asked, from `first` on around the list
    std::size_t route_missing = 0;         // nodes that answered 404
    std::chrono::steady_clock::time_point deadline_at;
  };
  // An attempt in flight, by the client's slot: its read, the node asked, and whether it passed
  // the first-byte limit without beginning its answer.
  struct Attempt {
    std::size_t read = 0;
    std::size_t node = 0;
    bool late = false;
  };

  // The reads of one read_all call, driven together over the client's exchanges.
  class Batch {
   public:
    Batch(State& state, std::span<const ChainRead> reads)
        : state_(state), reads_(reads), walks_(reads.size()), replies_(reads.size()) {
      for (ChainReply& reply : replies_) reply.outcome = ReadFailure{};
    }

    std::vector<ChainReply> run() {
      std::size_t started = 0;
      for (;;) {
        while (open_ < reads_at_once && started < reads_.size()) begin(started++);
        if (open_ == 0) return std::move(replies_);
        ExchangeEvent event = state_.http.wait();
        if (event.kind == ExchangeEvent::Kind::idle) return std::move(replies_);  // never
        std::optional<Attempt>& attempt = attempts_[event.slot];
        if (!attempt) continue;  // never: every exchange in flight is an attempt
        const std::size_t read = attempt->read;
        if (event.kind == ExchangeEvent::Kind::first_byte_late) {
          attempt->late = true;
          ask_next(read);
          continue;
        }
        const std::size_t node = attempt->node;
        attempt.reset();
        if (!walks_[read].path) {
          finish(read, std::move(event.exchange.outcome), {});
          continue;
        }
        Judged judged = judge(event.exchange, reads_[read].judges_transaction);
        const Reply reply = judged.reply;
        if (reply == Reply::none) {
          const bool complete = event.exchange.ending == Ending::complete;
          if (complete && event.exchange.status == 404) ++walks_[read].route_missing;
          ask_next(read);
          continue;
        }
        // The first answer or chain error wins; the read's other attempt is dropped, its
        // connection closed.
        for (std::size_t slot = 0; slot < attempts_.size(); ++slot) {
          if (attempts_[slot] && attempts_[slot]->read == read) {
            state_.http.drop(slot);
            attempts_[slot].reset();
          }
        }
        state_.in_use = node;
        if (reply == Reply::answer) {
          finish(read, std::move(event.exchange.outcome), state_.nodes[node]);
        } else {
          finish(read, ReadFailure{}, {});
          replies_[read].chain_error = std::move(judged.error);
        }
      }
    }

   private:
    void begin(std::size_t read) {
      ++open_;
      Walk& walk = walks_[read];
      const std::string& url = reads_[read].url;
      for (const std::string& node : state_.nodes) {
        if (!walk.path) walk.path = path_on(url, node);
      }
      walk.first = state_.in_use;
      walk.deadline_at = std::chrono::steady_clock::now() + state_.deadline;
      if (walk.path) {
        ask_next(read);
        return;
      }
      const std::optional<std::size_t> slot = state_.http.start(
          url, body(read), ExchangeLimits{state_.deadline, std::chrono::milliseconds{0}});
      if (slot) {
        attempts_[*slot] = Attempt{read, 0};
      } else {
        finish(read, ReadFailure{}, {});
      }
    }

    // The next node is asked when no attempt of the read in flight may still begin its answer
    // within the limit: at once when the last one gave no answer, beside one that is late. A late
    // attempt is never dropped, only joined. With no attempt left and no node to ask, the read
    // ends with no answer.
    void ask_next(std::size_t read) {
      using std::chrono::milliseconds;
      Walk& walk = walks_[read];
      const auto own = [&](const std::optional<Attempt>& a) { return a && a->read == read; };
      const auto in_flight = [&] { return std::count_if(attempts_.begin(), attempts_.end(), own); };
      const auto all_late = [&] {
        return std::none_of(attempts_.begin(), attempts_.end(),
                            [&](const auto& a) { return own(a) && !a->late; });
      };
      const std::size_t count = state_.nodes.size();
      while (walk.asked < count && in_flight() < attempts_at_once && all_late()) {
        const milliseconds left =
            std::chrono::floor<milliseconds>(walk.deadline_at - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        const std::size_t node = (walk.first + walk.asked++) % count;
        const std::optional<std::size_t> slot =
            state_.http.start(state_.nodes[node] + std::string(*walk.path), body(read),
                              ExchangeLimits{left, state_.first_byte_limit});
        if (slot) attempts_[*slot] = Attempt{read, node};  // else this node cannot be asked
      }
      if (in_flight() == 0) {
        finish(read, ReadFailure{}, {});
        replies_[read].route_missing = walk.route_missing == count;
      }
    }

    std::optional<std::string_view> body(std::size_t read) const {
      const std::optional<std::string>& json = reads_[read].json_body;
      return json ? std::optional<std::string_view>(*json) : std::nullopt;
    }

    void finish(std::size_t read, ReadOutcome outcome, std::string node) {
      replies_[read] = ChainReply{std::move(outcome), std::move(node)};
      --open_;
    }

    State& state_;
    std::span<const ChainRead> reads_;
    std::vector<Walk> walks_;
    std::vector<ChainReply> replies_;
    std::array<std::optional<Attempt>, HttpsClient::max_in_flight> attempts_{};
    std::size_t open_ = 0;  // reads begun and not ended
  };

  std::vector<ChainReply> read_all(std::span<const ChainRead> reads) {
    if (reads.size() > 1) http.keep_connections(reads_at_once);
    return Batch(*this, reads).run();
  }

  ReadOutcome read(std::string_view url, std::optional<std::string_view> body) {
    const ChainRead one{std::string(url), body ? std::optional<std::string>(*body) : std::nullopt};
    return std::move(read_all(std::span(&one, 1)).front().outcome);
  }
};

ChainClient::ChainClient(ClientSettings settings)
    : ChainClient(ChainSettings{std::move(settings), {}, std::chrono::milliseconds{0}}) {}
ChainClient::ChainClient(ChainSettings settings)
    : state_(std::make_unique<State>(std::move(settings))) {}
ChainClient::~ChainClient() = default;
ChainClient::ChainClient(ChainClient&&) noexcept = default;
ChainClient& ChainClient::operator=(ChainClient&&) noexcept = default;

const std::string& ChainClient::base_url() const {
  static const std::string none;
  return state_ ? state_->nodes[state_->in_use] : none;
}

ReadOutcome ChainClient::post_json(std::string_view url, std::string_view body) const {
  if (!state_) return ReadFailure{};
  return state_->read(url, body);
}

ReadOutcome ChainClient::get_text(std::string_view url) const {
  if (!state_) return ReadFailure{};
  return state_->read(url, std::nullopt);
}

std::vector<ChainReply> ChainClient::read_all(std::span<const ChainRead> reads) const {
  if (!state_) return std::vector<ChainReply>(reads.size(), ChainReply{ReadFailure{}, {}});
  return state_->read_all(reads);
}

}  // namespace tarnwick

#include "chain/chain_client.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
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

enum class Judgement {
  answer,       // a 2xx answer: the read's reply
  chain_error,  // the chain's error answer: the read's ChainError, no other node is asked
  none,         // no answer: ask the next node
};

// Attempts of one read in flight at most: two late ones and the one started beside them.
constexpr std::ptrdiff_t attempts_at_once = 3;

// How an exchange ends its read. Of a read that judges a transaction, the chain's error answer
// ends it at any status but a turn-away only when its code judges the transaction itself
// (transaction_judged); every other error answer is the node's trouble and goes on. Of any other
// read, the chain's error answer ends it at a status of 400 to 499 but a turn-away. A read that
// the chain's error answer ends has it in `error`.
struct Judged {
  Judgement judgement = Judgement::none;
  std::optional<ChainError> error;
};
Judged judge(const Exchange& exchange, bool judges_transaction) {
  if (exchange.ending != Ending::complete) return {};
  if (exchange.status >= 200 && exchange.status < 300) return {Judgement::answer, std::nullopt};
  const bool refused = exchange.status == 403 || exchange.status == 404 || exchange.status == 429;
  if (exchange.status < 400 || refused) return {};
  if (!judges_transaction && turned_away(exchange.status)) return {};
  std::optional<ChainError> error = chain_error_answer(exchange.error_body);
  if (!error) return {};
  // The node answered, though not for the read: its trouble goes on to the next node.
  if (judges_transaction && !transaction_judged(error->code)) return {Judgement::none, error};
  return {Judgement::chain_error, std::move(error)};
}

}  // namespace

bool transaction_judged(std::int64_t code) {
  const bool form = code >= 3015000 && code <= 3015999 && code != 3015010;
  const bool authority = code >= 3090000 && code <= 3090999;
  return form || authority;
}

struct ChainClient::State {
  std::optional<HttpsClient> own;  // the client's own exchanges, when none were given
  const Exchanges& exchanges;
  std::vector<std::string> nodes;  // never empty
  std::chrono::milliseconds deadline;
  std::chrono::milliseconds answer_limit;  // 0 with one node: it has the whole deadline
  // The sticky choice: the node asked first. It follows the answers (a reply or the chain's error
  // answer); a read that no node answered moves it on, unless another read under way with it
  // was answered (moved_on_empty).
  std::size_t in_use = 0;
  // Since the client was last idle: whether a read was answered, and whether one that no node
  // answered already moved the node in use on.
  bool answered = false;
  bool moved_on_empty = false;

  // A read started and not yet ended, as it goes.
  struct Read {
    ReadId id = 0;
    ChainRequest request;
    std::size_t first = 0;          // the node in use when it began
    std::size_t asked = 0;          // nodes asked, from `first` on around the list
    std::size_t route_missing = 0;  // nodes that answered 404
    // The last node that gave the chain's error answer that did not end the read (a dry run's
    // node trouble): it answered, so the node in use goes there if no other node ends the read.
    std::optional<std::size_t> answered_by = std::nullopt;
    std::chrono::steady_clock::time_point deadline_at{};
  };
  // An attempt in flight, by its exchange's slot: its read, the node asked, and whether it passed
  // the answer limit without beginning its answer.
  struct Attempt {
    ReadId read = 0;
    std::size_t node = 0;
    bool late = false;
  };

  std::deque<Read> waiting;     // started, not yet begun, in the order started
  std::vector<Read> open;       // begun, not ended: at most reads_at_once
  std::deque<Delivered> ended;  // ended, not yet given, in the order they ended
  std::array<std::optional<Attempt>, Exchanges::max_in_flight> attempts{};
  ReadId next_id = 0;

  static_assert(reads_at_once * static_cast<std::size_t>(attempts_at_once) <=
                Exchanges::max_in_flight);

  State(ChainSettings settings, const Exchanges* given)
      : own(given != nullptr ? std::nullopt : std::optional<HttpsClient>(settings.client)),
        exchanges(given != nullptr ? *given : *own),
        deadline(settings.client.overall_deadline),
        answer_limit(settings.more_nodes.empty() ? std::chrono::milliseconds{0}
                                                 : settings.answer_limit) {
    nodes.push_back(std::move(settings.client.base_url));
    for (std::string& node : settings.more_nodes) nodes.push_back(std::move(node));
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  ReadId start(ChainRequest request) {
    waiting.push_back(Read{next_id, std::move(request)});
    return next_id++;
  }

  std::optional<Delivered> next() {
    for (;;) {
      // Reads under way together keep a connection each between reads.
      if (!waiting.empty() && open.size() + waiting.size() > 1) {
        exchanges.keep_connections(reads_at_once);
      }
      while (open.size() < reads_at_once && !waiting.empty()) {
        Read read = std::move(waiting.front());
        waiting.pop_front();
        begin(std::move(read));
      }
      if (!ended.empty()) {
        Delivered done = std::move(ended.front());
        ended.pop_front();
        return done;
      }
      if (open.empty()) return std::nullopt;
      ExchangeEvent event = exchanges.wait();
      if (event.kind == ExchangeEvent::Kind::idle) {
        assert(false && "every open read has an attempt in flight");
        attempts.fill(std::nullopt);  // no read waits for an attempt that does not exist
        while (!open.empty()) finish(open.front().id, ReadFailure{});
        continue;
      }
      take(std::move(event));
    }
  }

  // What one event of the exchanges does to the read whose attempt it is.
  void take(ExchangeEvent event) {
    std::optional<Attempt>& attempt = attempts[event.slot];
    if (!attempt) {
      assert(false && "every exchange in flight is an attempt");
      return;
    }
    const ReadId id = attempt->read;
    if (event.kind == ExchangeEvent::Kind::answer_late) {
      attempt->late = true;
      ask_next(id);
      return;
    }
    const std::size_t node = attempt->node;
    attempt.reset();
    Read& read = *find(id);
    Judged judged = judge(event.exchange, read.request.judges_transaction);
    if (judged.judgement == Judgement::none) {
      const bool complete = event.exchange.ending == Ending::complete;
      if (complete && event.exchange.status == 404) ++read.route_missing;
      if (judged.error) read.answered_by = node;
      ask_next(id);
      return;
    }
    // The first answer or chain error wins; the read's other attempt is dropped, its connection
    // closed.
    for (std::size_t slot = 0; slot < attempts.size(); ++slot) {
      if (attempts[slot] && attempts[slot]->read == id) {
        exchanges.drop(slot);
        attempts[slot].reset();
      }
    }
    in_use = node;
    answered = true;
    std::string* text = std::get_if<std::string>(&event.exchange.outcome);
    if (judged.judgement == Judgement::answer && text != nullptr) {
      finish(id, Reply{std::move(*text), nodes[node]});
    } else if (judged.error) {
      finish(id, std::move(*judged.error));
    } else {
      assert(false && "an answer has its text, a chain error its error");
      finish(id, ReadFailure{});
    }
  }

  void begin(Read read) {
    if (open.empty()) answered = moved_on_empty = false;  // reads under way together begin
    const auto now = exchanges.now();
    read.first = in_use;
    read.deadline_at = now + deadline;
    const ReadId id = read.id;
    const std::optional<std::chrono::steady_clock::time_point> end = read.request.end;
    if (end && *end - now < least_read_time) {
      open.push_back(std::move(read));
      finish(id, OverBudget{});
      return;
    }
    if (end) read.deadline_at = std::min(read.deadline_at, *end);
    open.push_back(std::move(read));
    ask_next(id);
  }

  // The next node is asked when no attempt of the read in flight may still begin its answer
  // within the limit: at once when the last one gave no answer, beside one that is late. A late
  // attempt is never dropped, only joined. With no attempt left and no node to ask, the read
  // ends with no answer. The node asked joined to the request's path is the exchange's URL.
  void ask_next(ReadId id) {
    using std::chrono::milliseconds;
    Read& read = *find(id);
    const auto own_attempt = [&](const std::optional<Attempt>& a) { return a && a->read == id; };
    const auto in_flight = [&] {
      return std::count_if(attempts.begin(), attempts.end(), own_attempt);
    };
    const auto all_late = [&] {
      return std::none_of(attempts.begin(), attempts.end(),
                          [&](const auto& a) { return own_attempt(a) && !a->late; });
    };
    const std::optional<std::string>& json = read.request.body;
    const std::optional<std::string_view> body =
        json ? std::optional<std::string_view>(*json) : std::nullopt;
    const std::size_t count = nodes.size();
    while (read.asked < count && in_flight() < attempts_at_once && all_late()) {
      const milliseconds left =
          std::chrono::floor<milliseconds>(read.deadline_at - exchanges.now());
      if (left.count() <= 0) break;
      const std::size_t node = (read.first + read.asked++) % count;
      const std::optional<std::size_t> slot = exchanges.start(nodes[node] + read.request.path, body,
                                                              ExchangeLimits{left, answer_limit});
      if (slot) attempts[*slot] = Attempt{id, node};  // else this node cannot be asked
    }
    if (in_flight() == 0) {
      const std::optional<std::chrono::steady_clock::time_point>& end = read.request.end;
      const bool cut = end && read.deadline_at == *end && exchanges.now() >= *end;
      if (read.route_missing == count) {
        finish(id, RouteMissing{});  // every node answered: nothing moves
      } else if (cut) {
        finish(id, OverBudget{});
      } else if (read.answered_by) {
        in_use = *read.answered_by;
        answered = true;
        finish(id, ReadFailure{});
      } else {
        move_on(read);
        finish(id, ReadFailure{});
      }
    }
  }

  // After `read` that no node answered, the node in use becomes the first node it did not ask,
  // or, when it asked them all, the one after the node in use; once while reads are under way
  // together, and not when one of them was answered.
  void move_on(const Read& read) {
    if (answered || moved_on_empty) return;
    moved_on_empty = true;
    const std::size_t count = nodes.size();
    in_use = read.asked < count ? (read.first + read.asked) % count : (in_use + 1) % count;
  }

  std::vector<Read>::iterator find(ReadId id) {
    return std::find_if(open.begin(), open.end(), [&](const Read& read) { return read.id == id; });
  }

  void finish(ReadId id, Delivery delivery) {
    open.erase(find(id));
    ended.push_back(Delivered{id, std::move(delivery)});
  }
};

ChainClient::ChainClient(ClientSettings settings)
    : ChainClient(ChainSettings{std::move(settings), {}, std::chrono::milliseconds{0}}) {}
ChainClient::ChainClient(ChainSettings settings)
    : state_(std::make_unique<State>(std::move(settings), nullptr)) {}
ChainClient::ChainClient(ChainSettings settings, const Exchanges& exchanges)
    : state_(std::make_unique<State>(std::move(settings), &exchanges)) {}
ChainClient::~ChainClient() = default;
ChainClient::ChainClient(ChainClient&&) noexcept = default;
ChainClient& ChainClient::operator=(ChainClient&&) noexcept = default;

const std::string& ChainClient::base_url() const {
  static const std::string none;
  return state_ ? state_->nodes[state_->in_use] : none;
}

ReadId ChainClient::start(ChainRequest request) const {
  return state_ ? state_->start(std::move(request)) : 0;
}

std::optional<Delivered> ChainClient::next() const {
  return state_ ? state_->next() : std::nullopt;
}

std::string ChainClient::node_in_use() const { return base_url(); }

bool ChainClient::reads_pending() const {
  return state_ && !(state_->waiting.empty() && state_->open.empty() && state_->ended.empty());
}

std::chrono::steady_clock::time_point ChainClient::now() const {
  return state_ ? state_->exchanges.now() : std::chrono::steady_clock::now();
}

}  // namespace tarnwick

#include "chain/chain_client.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <utility>

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

// True when `body` is the chain's own error answer: JSON whose `error` member is an object with a
// numeric `code` (as nodes send for an unknown account). A gateway's HTML page, a text `error`
// (a history server's) or anything cut short is not one.
bool chain_error_answer(std::string_view body) {
  bool coded = false;
  JsonReader reader;
  reader.read_members(body, [&](std::string_view key, JsonValue& value) {
    if (key != "error") return;
    coded = false;  // the last member of a name is the one that counts
    for_each_member(value, [&](std::string_view inner, JsonValue& member) {
      if (inner == "code") coded = number(member).has_value();
    });
  });
  return coded;
}

enum class Reply {
  answer,       // a 2xx answer: the read's outcome
  chain_error,  // the chain's error answer: a ReadFailure that no other node is asked about
  none,         // no answer: ask the next node
};

// Attempts of one read in flight at most: the slow one and the one started beside it.
constexpr std::ptrdiff_t attempts_at_once = 2;
static_assert(attempts_at_once <= static_cast<std::ptrdiff_t>(HttpsClient::max_in_flight));

Reply judge(const Exchange& exchange) {
  if (exchange.ending != Ending::complete) return Reply::none;
  if (exchange.status >= 200 && exchange.status < 300) return Reply::answer;
  if (exchange.status >= 400 && !turned_away(exchange.status) &&
      chain_error_answer(exchange.error_body)) {
    return Reply::chain_error;
  }
  return Reply::none;  // a gateway's error page, a redirect with nowhere to go, a turn-away
}

// The part of `url` after `base`, when `url` is on that node ("base" then "/", "?" or nothing).
std::optional<std::string_view> path_on(std::string_view url, std::string_view base) {
  if (base.empty() || url.substr(0, base.size()) != base) return std::nullopt;
  const std::string_view rest = url.substr(base.size());
  if (!rest.empty() && rest.front() != '/' && rest.front() != '?') return std::nullopt;
  return rest;
}

}  // namespace

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

  ReadOutcome read(std::string_view url, std::optional<std::string_view> body) {
    using std::chrono::milliseconds;
    std::optional<std::string_view> path;
    for (const std::string& node : nodes) {
      if (!path) path = path_on(url, node);
    }
    if (!path) return http.exchange(url, body, ExchangeLimits{deadline, milliseconds{0}}).outcome;

    const auto end = std::chrono::steady_clock::now() + deadline;
    // The attempts in flight, by the client's slot: the node asked there, and whether it passed
    // the first-byte limit without beginning its answer.
    struct Attempt {
      std::size_t node = 0;
      bool late = false;
    };
    std::array<std::optional<Attempt>, HttpsClient::max_in_flight> attempts{};
    std::size_t asked = 0;  // nodes asked, from the node in use on around the list
    for (;;) {
      // The next node is asked when no attempt in flight may still begin its answer within the
      // limit: at once when the last one gave no answer, beside one that is late. A late attempt
      // is never dropped, only joined.
      const auto in_flight = [&] {
        return std::count_if(attempts.begin(), attempts.end(),
                             [](const auto& a) { return a.has_value(); });
      };
      const auto all_late = [&] {
        return std::all_of(attempts.begin(), attempts.end(),
                           [](const auto& a) { return !a || a->late; });
      };
      while (asked < nodes.size() && in_flight() < attempts_at_once && all_late()) {
        const milliseconds left =
            std::chrono::floor<milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        const std::size_t node = (in_use + asked++) % nodes.size();
        const std::optional<std::size_t> slot = http.start(nodes[node] + std::string(*path), body,
                                                           ExchangeLimits{left, first_byte_limit});
        if (slot) attempts[*slot] = Attempt{node};  // else this node cannot be asked: the next
      }
      if (in_flight() == 0) return ReadFailure{};
      ExchangeEvent event = http.wait();
      if (event.kind == ExchangeEvent::Kind::idle) return ReadFailure{};  // never: one is in flight
      std::optional<Attempt>& attempt = attempts[event.slot];
      if (event.kind == ExchangeEvent::Kind::first_byte_late) {
        attempt->late = true;
        continue;
      }
      const std::size_t node = attempt->node;
      attempt.reset();
      const Reply reply = judge(event.exchange);
      if (reply == Reply::none) continue;
      // The first answer or chain error wins; the other attempt is dropped, its connection closed.
      for (std::size_t slot = 0; slot < attempts.size(); ++slot) {
        if (attempts[slot]) http.drop(slot);
      }
      in_use = node;
      if (reply == Reply::answer) return std::move(event.exchange.outcome);
      return ReadFailure{};
    }
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

}  // namespace tarnwick

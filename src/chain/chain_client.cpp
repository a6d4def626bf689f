#include "chain/chain_client.h"

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
  answer,           // a 2xx answer: the read's outcome
  chain_error,      // the chain's error answer: a ReadFailure that no other node is asked about
  none,             // no answer: ask the next node
  first_byte_late,  // no answer only because of the first-byte limit: ask again if time is left
};

Reply judge(const Exchange& exchange) {
  switch (exchange.ending) {
    case Ending::first_byte_late: return Reply::first_byte_late;
    case Ending::broken: return Reply::none;
    case Ending::complete: break;
  }
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
  // The node in use began its last answer later than the first-byte limit: it is asked without
  // the limit, so that it costs its slowness once and not a lost attempt on every read. Cleared
  // when it gives no answer, so that a node gone silent costs at most one read's deadline.
  bool in_use_slow = false;

  explicit State(ChainSettings settings)
      : http(settings.client),
        deadline(settings.client.overall_deadline),
        first_byte_limit(settings.more_nodes.empty() ? std::chrono::milliseconds{0}
                                                     : settings.first_byte_limit) {
    nodes.push_back(std::move(settings.client.base_url));
    for (std::string& node : settings.more_nodes) nodes.push_back(std::move(node));
  }

  // Makes `node` the node in use after it answered `attempt`.
  void answered_by(std::size_t node, const Exchange& attempt) {
    in_use = node;
    in_use_slow = first_byte_limit.count() > 0 && attempt.first_byte_after >= first_byte_limit;
  }

  ReadOutcome read(std::string_view url, std::optional<std::string_view> body) {
    using std::chrono::milliseconds;
    std::optional<std::string_view> path;
    for (const std::string& node : nodes) {
      if (!path) path = path_on(url, node);
    }
    if (!path) return http.exchange(url, body, ExchangeLimits{deadline, milliseconds{0}}).outcome;

    const auto end = std::chrono::steady_clock::now() + deadline;
    const auto time_left = [&] {
      return std::chrono::floor<milliseconds>(end - std::chrono::steady_clock::now());
    };
    // Asks `node` within the time left; on an answer or the chain's error answer, keeps it as
    // the read's outcome and makes the node the node in use.
    ReadOutcome outcome = ReadFailure{};
    const auto ask = [&](std::size_t node, milliseconds first_byte) {
      const milliseconds left = time_left();
      if (left.count() <= 0) return Reply::none;
      Exchange attempt =
          http.exchange(nodes[node] + std::string(*path), body, ExchangeLimits{left, first_byte});
      const Reply reply = judge(attempt);
      if (reply == Reply::answer) outcome = std::move(attempt.outcome);
      if (reply == Reply::answer || reply == Reply::chain_error) answered_by(node, attempt);
      return reply;
    };
    const auto over = [](Reply reply) {
      return reply == Reply::answer || reply == Reply::chain_error;
    };

    // Each node once, from the node in use on around the list, within the first-byte limit;
    // except the node in use when it is known to be slow, and the last node when no earlier one
    // is waiting to be asked again (it may as well have the rest of the deadline now).
    std::vector<std::size_t> late;  // passed over only by the first-byte limit, in asking order
    for (std::size_t tried = 0; tried < nodes.size() && time_left().count() > 0; ++tried) {
      const std::size_t node = (in_use + tried) % nodes.size();
      const bool unlimited =
          (tried == 0 && in_use_slow) || (tried + 1 == nodes.size() && late.empty());
      const Reply reply = ask(node, unlimited ? milliseconds{0} : first_byte_limit);
      if (over(reply)) return outcome;
      if (tried == 0) in_use_slow = false;
      if (reply == Reply::first_byte_late) late.push_back(node);
    }
    // A slow node is better than none: the nodes passed over only for their slowness, again, in
    // the same order, each with all the time left.
    for (const std::size_t node : late) {
      if (over(ask(node, milliseconds{0}))) return outcome;
    }
    return ReadFailure{};
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

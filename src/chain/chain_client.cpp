#include "chain/chain_client.h"

#include <optional>
#include <utility>

namespace tarnwick {
namespace {

// True when the exchange left the question open: no HTTP status arrived, or the node turned the
// request away (an operator's ban, rate limiting, an overloaded gateway) rather than answering.
bool ask_next_node(const Exchange& exchange) {
  switch (exchange.status) {
    case 0:
    case 403:
    case 429:
    case 502:
    case 503:
    case 504: return true;
    default: return false;
  }
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
  std::chrono::milliseconds first_byte_limit;
  // The sticky choice: the node asked first. It changes only when another node answered a read.
  std::size_t in_use = 0;

  explicit State(ChainSettings settings)
      : http(settings.client),
        deadline(settings.client.overall_deadline),
        first_byte_limit(settings.first_byte_limit) {
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
    for (std::size_t tried = 0; tried < nodes.size(); ++tried) {
      const auto left = std::chrono::floor<milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      const std::size_t node = (in_use + tried) % nodes.size();
      const bool last = tried + 1 == nodes.size();
      const ExchangeLimits limits{left, last ? milliseconds{0} : first_byte_limit};
      Exchange attempt = http.exchange(nodes[node] + std::string(*path), body, limits);
      if (!ask_next_node(attempt)) {
        in_use = node;
        return std::move(attempt.outcome);
      }
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

// ScanContext: what every scan shares, built once at start-up and only read afterwards (but for
// the chain client's choice of node); and the fixed outside parties of a scan: the public XPR
// Network API nodes and the account of the bot-reputation table. Nothing here is configurable at
// run time.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "assess/known_tokens.h"
#include "chain/chain_client.h"
#include "chain/prior_rug_list.h"

namespace tarnwick {

// HTTPS bases of the public API nodes that serve both /v1/chain/... and /v2/history/... of XPR
// Network's mainnet (the history endpoints of its developer resources), in the order a read
// tries them. The chain client's base URL, the node in use, is both the chain API base and the
// history API base: every read of a scan goes to the same node while it answers.
inline constexpr std::array<std::string_view, 6> production_api_nodes = {
    "https://proton.eosusa.io",
    "https://proton.protonuk.io",
    "https://proton-api.eosiomadrid.io",
    "https://api-xprnetwork-main.saltant.io",
    "https://xpr-mainnet-api.bloxprod.io",
    "https://proton-hyperion.luminaryvisn.com",
};

// The node asked first after start-up.
inline constexpr std::string_view production_api_base = production_api_nodes[0];

// Account holding the bot-reputation table "agentscores" (used as its code and its scope): the
// reputation contract of XPR Network's public agent registry, the same account on testnet and
// mainnet. Its rows are {agent, total_score, total_weight, feedback_count, avg_score,
// last_updated}.
inline constexpr std::string_view production_reputation_contract = "agentfeed";

// Overall deadline of one chain read, all the nodes it tries included.
inline constexpr std::chrono::milliseconds chain_request_deadline{12'000};

// Shares of that deadline for one attempt at one node. A node that drops the connection attempt
// costs the connect limit (which covers name resolution and the TLS handshake); one that accepts
// and then stays silent costs the answer limit; either way at least 7 seconds remain for the
// next nodes, and then for asking again, with all that is left, a node passed over for its
// slowness.
inline constexpr std::chrono::milliseconds chain_connect_limit{3'000};
inline constexpr std::chrono::milliseconds chain_answer_limit{5'000};

// The settings of the production ChainClient: the nodes above, the deadline and limits above, the
// compiled-in roots, and the client's default body limit (10 MiB; a longer body fails the read).
ChainSettings production_chain_settings();

// A plain aggregate, movable, not copyable (the client is unique). Tests build one from parts:
//   ScanContext{ChainClient(settings), "agentfeed", 1'700'000'000, parse_prior_rugs("rugger\n")}
// and then hold the built-in known tokens alone.
struct ScanContext {
  ChainClient client;               // the one outbound client, 12-second deadline per read
  std::string reputation_contract;  // account holding the "agentscores" table
  std::uint64_t reference_time;     // Unix seconds at start-up; ages are measured against it
  PriorRugList prior_rugs;          // from known_rugs.txt in the data folder
  KnownTokens known_tokens{};       // built in, and from known_tokens.txt in the data folder
};

// The production context: the fixed API nodes, the fixed reputation contract, the wall clock now
// (0 before 1970), the prior-rug list and the known tokens under $HOME. Cannot fail and prints
// nothing. The only place that reads HOME for the data folder's lists.
ScanContext build_scan_context();

// The longest known_tokens.txt read: thousands of lines, where the network has a handful of tokens.
inline constexpr std::size_t max_known_tokens_bytes = 65'536;

// The built-in known tokens and the pairs of `folder`/known_tokens.txt (parse_known_tokens); the
// built-in list alone when there is no folder, no such regular file (a FIFO or a device is never
// opened for reading), the file cannot be read to its end or is longer than
// max_known_tokens_bytes, or memory runs out. Throws only std::bad_alloc, when even the built-in
// list cannot be held.
KnownTokens load_known_tokens(const std::optional<std::filesystem::path>& folder);

// Unix seconds of `now`, or 0 when `now` lies before 1970-01-01 00:00:00 UTC.
std::uint64_t unix_seconds(std::chrono::system_clock::time_point now);

}  // namespace tarnwick

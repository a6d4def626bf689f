// ScanContext: what every scan shares, built once at start-up and only read afterwards; and the
// fixed outside parties of a scan: the public XPR Network API node and the account of the
// bot-reputation table. Nothing here is configurable at run time.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "chain/prior_rug_list.h"
#include "common/https_client.h"

namespace tarnwick {

// The chain's client: an HttpsClient built from production_chain_settings(); its base URL is both
// the chain API base (/v1/chain/...) and the history API base (/v2/history/...): the same node.
using ChainClient = HttpsClient;

// HTTPS base of the public API node that serves both /v1/chain/... and /v2/history/....
inline constexpr std::string_view production_api_base = "https://proton.eosusa.io";

// Account holding the bot-reputation table "agentscores" (used as its code and its scope): the
// reputation contract of XPR Network's public agent registry, the same account on testnet and
// mainnet. Its rows are {agent, total_score, total_weight, feedback_count, avg_score,
// last_updated}.
inline constexpr std::string_view production_reputation_contract = "agentfeed";

// Overall deadline of one chain request.
inline constexpr std::chrono::milliseconds chain_request_deadline{12'000};

// The settings of the production ChainClient: the node above, a 12-second overall deadline, the
// library's own connect limit, the compiled-in roots, and the client's default body limit
// (10 MiB; a longer body fails the read).
ClientSettings production_chain_settings();

// A plain aggregate, movable, not copyable (the client is unique). Tests build one from parts:
//   ScanContext{ChainClient(settings), "agentfeed", 1'700'000'000, parse_prior_rugs("rugger\n")}
struct ScanContext {
  ChainClient client;               // the one outbound client, 12-second deadline per request
  std::string reputation_contract;  // account holding the "agentscores" table
  std::uint64_t reference_time;     // Unix seconds at start-up; ages are measured against it
  PriorRugList prior_rugs;          // from known_rugs.txt in the data folder
};

// The production context: the fixed API node, the fixed reputation contract, the wall clock now
// (0 before 1970) and the prior-rug list under $HOME. Cannot fail and prints nothing. The only
// place that reads HOME for the prior-rug list.
ScanContext build_scan_context();

// Unix seconds of `now`, or 0 when `now` lies before 1970-01-01 00:00:00 UTC.
std::uint64_t unix_seconds(std::chrono::system_clock::time_point now);

}  // namespace tarnwick

// The fixed outside parties of a scan: the public XPR Network API node and the account of the
// bot-reputation table. Nothing here is configurable at run time.
#pragma once

#include <chrono>
#include <string_view>

#include "chain/chain_client.h"

namespace tarnwick {

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
// library's own connect limit, the compiled-in roots, bodies up to 10 MiB (more fails).
ClientSettings production_chain_settings();

}  // namespace tarnwick

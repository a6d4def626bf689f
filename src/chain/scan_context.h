// ScanContext: what every scan shares, built once at start-up and only read afterwards.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "chain/chain_client.h"
#include "chain/prior_rug_list.h"

namespace tarnwick {

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

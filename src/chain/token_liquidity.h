// The reading behind /liquidity: which symbol of the contract is meant, then the token's pools on
// the exchanges' AMM venues (chain/venue_reads.h), as one plan of reads on the one chain client
// of the scan context. Reads are bounded in number and time; what the bound leaves unread makes
// its venue `capped`, and whatever that leaves undecided is `unknown`: a venue not read is never
// shown as one without the token's pools.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assess/liquidity.h"
#include "chain/read_session.h"
#include "chain/scan_context.h"
#include "chain/venue_reads.h"

namespace tarnwick {

class JsonReader;

// The token's liquidity. `requested` is the `symbol` query value (a symbol code) or none: then the
// market row and the contract's symbols choose it as /evidence does (two reads), and with a
// symbol the contract's symbols are read to confirm it (one read). Without a symbol every venue is
// unavailable with the reason. Never fails: failures are in the venues.
LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested);
// The budget of one answer: the reads its plan may make (the sum of its reads' bounds) and the
// settings' time.
ReadBudget liquidity_budget(const LiquiditySettings& settings, std::string_view token,
                            bool requested);

// The same over `session`, or on the context's client with its replies read with `reader` (the
// serving loop keeps one from request to request, so its buffers are made once).
LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested, ReadSession& session);
LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested, JsonReader& reader);

}  // namespace tarnwick

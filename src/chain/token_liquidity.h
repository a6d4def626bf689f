// The reading behind /liquidity: which symbol of the contract is meant, then the token's pools on
// the exchanges' AMM venues, in a fixed order on the one chain client of the scan context:
// proton.swaps, simpledex, simplelaunch (for the launchpad's own token contract), swap.alcor
// pools, then per pool of the token on swap.alcor its positions, then the locks of those
// positions and get_info for the head block time. Reads are bounded in number and time; what the
// bound leaves unread makes its venue `capped`, and whatever that leaves undecided is `unknown`:
// a venue not read is never shown as one without the token's pools.
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

namespace tarnwick {

class JsonReader;

struct PageBound {
  std::uint32_t rows = 0;   // rows asked for per page
  std::uint32_t pages = 0;  // pages read at most
};

// The bounds of one /liquidity answer. Tests lower them.
struct LiquiditySettings {
  // Reads at most (a read the client tries on several nodes counts once), those that choose the
  // symbol included.
  std::uint32_t max_reads = 24;
  // Time of the whole answer: its end travels with every read (ReadBudget).
  std::chrono::milliseconds total_time{30'000};
  std::uint32_t swaps_rows = 100;  // proton.swaps: one read
  PageBound dex_pools{200, 3};     // simpledex pools, by next_key
  PageBound curves{100, 3};        // simplelaunch curves, newest first
  PageBound alcor_pools{200, 3};   // swap.alcor pools, newest first
  PageBound positions{200, 2};     // per swap.alcor pool of the token
  PageBound locks{200, 2};         // swap.alcor locks of the positions read
  // False: the pools alone, their token amounts as the venues' rows state them; no positions,
  // locks or head block time are read, and a swap.alcor pool's shares stay unknown.
  bool read_shares = true;
};

inline const LiquiditySettings production_liquidity_settings{};

// The launchpad's token contract, whose tokens each have a bonding curve on simplelaunch.
inline constexpr std::string_view launch_token_contract = "simpletoken";

// The token's liquidity. `requested` is the `symbol` query value (a symbol code) or none: then the
// market row and the contract's symbols choose it as /evidence does (two reads), and with a
// symbol the contract's symbols are read to confirm it (one read). Without a symbol every venue is
// unavailable with the reason. Never fails: failures are in the venues.
LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested);
// The venues of `symbol` over `session`, read as gather_liquidity reads them once the symbol is
// chosen, in the fixed venue order.
std::vector<LiquidityVenue> read_venues(const LiquiditySettings& settings,
                                        const ScanContext& context, std::string_view token,
                                        std::string_view symbol, ReadSession& session);

// The budget of one answer: the settings' reads and time.
ReadBudget liquidity_budget(const LiquiditySettings& settings);

// The same over `session`, or on the context's client with its replies read with `reader` (the
// serving loop keeps one from request to request, so its buffers are made once).
LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested, ReadSession& session);
LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested, JsonReader& reader);

}  // namespace tarnwick

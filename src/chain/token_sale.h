// The reading behind /sell: whether a sale can go through, as dry runs on the node show it. One
// get_info (the reference block) with the symbol's choice; the supply and the top holders; the
// chain's balances of up to six candidate holders; the pool search of the liquidity venues (at
// most 12 reads, the pools alone); then the control and up to six dry runs of `transfer`
// (compute_transaction: run by the node and discarded, never signed, relayed or put in a block),
// made together. In all at most 30 reads in 30 seconds. Never fails: what was not read or run is
// in the report's `why`, `skipped`, `control` and runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "assess/sale_check.h"
#include "chain/read_session.h"
#include "chain/scan_context.h"

namespace tarnwick {

class JsonReader;

// The reads of the pool search at most.
inline constexpr std::uint32_t pool_search_reads = 12;

// The budget of one answer: 30 reads, 30 seconds.
ReadBudget sale_budget();

// The check of the token's sale. `requested` is the `symbol` query value or none (then the market
// row and the contract's symbols choose it, as on /evidence).
// `now` is the local clock in Unix seconds: a node whose trace is more than a minute from it is
// behind the chain.
SaleReport check_sale(const ScanContext& context, std::string_view token,
                      const std::optional<std::string>& requested, ReadSession& session,
                      std::int64_t now);
// The same on the context's client, its replies read with `reader`.
SaleReport check_sale(const ScanContext& context, std::string_view token,
                      const std::optional<std::string>& requested, JsonReader& reader,
                      std::int64_t now);

}  // namespace tarnwick

// The reading behind /sell: whether a sale can go through, as dry runs on the node show it. One
// plan of reads, each started as soon as what it needs is read: get_info (the reference block)
// with the symbol's choice; once the symbol is chosen, the supply, the top holders and the pool
// search of the liquidity venues (the pools alone, 11 reads at most); the chain's balances of up
// to six candidate holders once the holders are read; then, once the holders and the pool are
// known, the control and up to six dry runs of `transfer` (compute_transaction: run by the node
// and discarded, never signed, relayed or put in a block). In all at most 29 reads in 30 seconds.
// Never fails: what was not read or run is in the report's `why`, `skipped`, `control` and runs.
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

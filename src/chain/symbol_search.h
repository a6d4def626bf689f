// search_symbol: the reading behind /symbol, the contracts seen carrying a symbol code or a
// lookalike of it (assess/symbol_carriers.h). One plan of reads, all started at once: the
// network's token registry read whole by primary key, 250 rows a page; the exchange's market
// rows; the AMM venues' pool tables (proton.swaps, simpledex, swap.alcor), every row kept. A
// registry page the node cannot give as JSON (a row whose symbol precision lies above 18 breaks
// its decoding) is read again as the rows' binary form and decoded here. Every table has its
// page bound; what a bound, the time or a failed read leaves unread is named in the answer.
// Never fails: what was not read is in the report.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "assess/symbol_carriers.h"
#include "chain/read_session.h"
#include "chain/scan_context.h"
#include "chain/table_pager.h"

namespace tarnwick {

class JsonReader;

// The bounds of one /symbol answer. Tests lower them.
struct SymbolSearchSettings {
  std::chrono::milliseconds total_time{30'000};
  PageBound registry{250, 8};  // each page may be read twice: as JSON, then in binary form
  std::uint32_t swaps_rows = 100;
  PageBound dex_pools{200, 3};
  PageBound alcor_pools{200, 3};
};

inline const SymbolSearchSettings production_symbol_settings{};

// The reads one answer may make (the sum of its reads' bounds, 24 with the settings above) and
// its time.
ReadBudget symbol_budget(const SymbolSearchSettings& settings);

// `symbol` must be a symbol code (checked by an assertion).
SymbolReport search_symbol(const SymbolSearchSettings& settings, const ScanContext& context,
                           std::string_view symbol, ReadSession& session);
// The same on the context's client, its replies read with `reader`.
SymbolReport search_symbol(const SymbolSearchSettings& settings, const ScanContext& context,
                           std::string_view symbol, JsonReader& reader);

}  // namespace tarnwick

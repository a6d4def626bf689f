#include "chain/symbol_search.h"

#include <cassert>
#include <utility>
#include <vector>

#include "chain/chain_requests.h"
#include "chain/market_reply.h"
#include "chain/pool_tables.h"
#include "chain/read_plan.h"
#include "chain/registry_reply.h"
#include "common/json_reader.h"
#include "common/symbol_code.h"

namespace tarnwick {
namespace {

// The registry read page by page; a page that cannot be read as JSON is asked again in binary
// form before it counts as unread.
struct RegistryPages {
  TablePages<RegistryRow> pages;
  bool binary = false;  // the page in hand is asked in binary form
};

PlanRead<RegistryPages> add_registry(ReadPlan& plan, PageBound bound) {
  RegistryPages kept;
  kept.pages.what = "registry";
  kept.pages.bound = bound;
  kept.pages.query = PageQuery{"token.proton", "token.proton", "tokens", "", "", false};
  return plan.add(
      {}, bound.pages * 2, std::move(kept),
      [](JsonReader&, RegistryPages& registry) -> std::optional<ChainRequest> {
        if (registry.pages.end != PagesEnd::going) return std::nullopt;
        if (registry.pages.bound.pages == 0) {
          registry.pages.end = PagesEnd::capped;
          registry.pages.why = reason(ReasonCode::over_budget, "page limit reached");
          return std::nullopt;
        }
        return registry_page_request(registry.pages.query.lower, registry.pages.bound.rows,
                                     !registry.binary);
      },
      [](JsonReader& reader, RegistryPages& registry, Reading&& reading) {
        const bool as_json = !registry.binary;
        const PagerSteps<RegistryRow> steps{
            .query = {},
            .read_rows = as_json ? registry_page : registry_binary_page,
            .key = [](const RegistryRow& row) { return row.id; }};
        const std::uint32_t pages_before = registry.pages.pages_read;
        pager_detail::take_page(reader, registry.pages, steps, reading);
        registry.binary = false;
        if (as_json && registry.pages.end == PagesEnd::unavailable) {
          // A failed read, or a reply that is no page of rows: the node may not be able to
          // print a row; its binary form it can always give. The page is asked again so.
          registry.pages.end = PagesEnd::going;
          registry.pages.why = {};
          registry.pages.pages_read = pages_before;
          registry.binary = true;
        }
      });
}

template <class Row>
void note_unread(std::vector<UnreadSource>& unread, std::string_view what,
                 const TablePages<Row>& pages) {
  if (pages.end == PagesEnd::capped || pages.end == PagesEnd::unavailable) {
    unread.push_back({std::string(what), pages.why.text});
  }
}

}  // namespace

ReadBudget symbol_budget(const SymbolSearchSettings& settings) {
  return {
      settings.registry.pages * 2 + 1 + 1 + settings.dex_pools.pages + settings.alcor_pools.pages,
      settings.total_time};
}

SymbolReport search_symbol(const SymbolSearchSettings& settings, const ScanContext& context,
                           std::string_view symbol, JsonReader& reader) {
  ReadSession session(context.client, reader, symbol_budget(settings));
  return search_symbol(settings, context, symbol, session);
}

SymbolReport search_symbol(const SymbolSearchSettings& settings, const ScanContext& context,
                           std::string_view symbol, ReadSession& session) {
  assert(is_symbol_code(symbol));
  ReadPlan plan;
  const auto registry = add_registry(plan, settings.registry);
  const auto market = plan.add_one({}, [] { return table_rows_request(market_rows_body()); });
  const auto first = [](const PageQuery& query) {
    return [query] { return std::optional(query); };
  };
  const auto swaps = add_pages<SwapsPoolRow>(
      plan, {}, "pools", PageBound{settings.swaps_rows, 1},
      {.query = first({"proton.swaps", "proton.swaps", "pools", "", "", false}),
       .read_rows = proton_swaps_rows});
  const auto dex =
      add_pages<DexPoolRow>(plan, {}, "pools", settings.dex_pools,
                            {.query = first({"simpledex", "simpledex", "pools", "", "", false}),
                             .read_rows = simpledex_rows,
                             .key = [](const DexPoolRow& row) { return row.id; }});
  const auto alcor = add_pages<ConcentratedPoolRow>(
      plan, {}, "pools", settings.alcor_pools,
      {.query = first({"swap.alcor", "swap.alcor", "pools", "", "", true}),
       .read_rows = alcor_pool_rows,
       .key = [](const ConcentratedPoolRow& row) { return row.id; }});
  assert(plan.bound() <= symbol_budget(settings).max_reads);
  plan.run(session);

  SymbolReport report;
  report.symbol = std::string(symbol);
  SymbolSources sources;
  const TablePages<RegistryRow>& registry_pages = plan[registry].pages;
  note_unread(report.unread, "registry", registry_pages);
  sources.registry = registry_pages.rows;
  const Reading& market_read = *plan[market];
  MarketRows rows = market_read.reply ? read_market_rows(session.reader(), *market_read.reply)
                                      : unavailable<MarketRows>(market_read.why);
  if (!rows.why.empty()) {
    report.unread.push_back({"market", rows.why.text});
  } else if (rows.more || rows.rows_cut || rows.rows_read >= market_row_limit) {
    report.unread.push_back({"market", "more markets than were read"});
  }
  sources.market = std::move(rows.rows);
  note_unread(report.unread, "proton.swaps", plan[swaps]);
  sources.swaps = plan[swaps].rows;
  note_unread(report.unread, "simpledex", plan[dex]);
  sources.dex = plan[dex].rows;
  note_unread(report.unread, "swap.alcor", plan[alcor]);
  sources.alcor = plan[alcor].rows;
  report.carriers = symbol_carriers(symbol, context.known_tokens, sources);
  report.reads = session.reads();
  return report;
}

}  // namespace tarnwick

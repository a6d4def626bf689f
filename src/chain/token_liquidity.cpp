#include "chain/token_liquidity.h"

#include <utility>
#include <vector>

#include "chain/read_plan.h"
#include "chain/read_session.h"
#include "chain/token_symbol.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

// The symbol's reads and the venues' reads of one answer.
struct LiquidityPlan {
  ReadPlan plan;
  SymbolReads symbol;
  VenueReads venues;
};

void add_reads(LiquidityPlan& plan, const LiquiditySettings& settings, std::string_view token,
               const std::optional<std::string>& requested) {
  plan.symbol = add_symbol_reads(plan.plan, {}, token, requested, !requested.has_value());
  plan.venues = add_venue_reads(plan.plan, plan.symbol.choice, settings, token);
}

}  // namespace

LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested) {
  JsonReader reader;
  return gather_liquidity(settings, context, token, requested, reader);
}

LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested, JsonReader& reader) {
  ReadSession session(context.client, reader,
                      liquidity_budget(settings, token, requested.has_value()));
  return gather_liquidity(settings, context, token, requested, session);
}

LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested,
                                 ReadSession& session) {
  LiquidityPlan reads;
  add_reads(reads, settings, token, requested);
  reads.plan.run(session);
  LiquidityReport report;
  report.token = std::string(token);
  const SymbolChoice choice = symbol_choice(reads.plan, reads.symbol);
  report.symbol = choice.symbol;
  report.symbol_why = choice.why;
  report.symbols = choice.symbols;
  report.symbols_more = choice.more;
  report.shared = choice.shared;
  if (!choice.shared) {
    report.shared_counted_as =
        choice.symbol ? shared_unknown_pools_of_symbol : shared_unknown_no_venue;
  }
  if (!choice.symbol) {
    for (const std::string_view venue : venue_contracts) {
      LiquidityVenue& unread = report.venues.emplace_back();
      unread.venue = std::string(venue);
      unread.status = VenueStatus::unavailable;
      unread.why = choice.why;
    }
    report.reads = session.reads();
    return report;
  }
  report.venues =
      venues_of(session.reader(), reads.plan, reads.venues, context, token, *choice.symbol);
  report.reads = session.reads();
  return report;
}

ReadBudget liquidity_budget(const LiquiditySettings& settings, std::string_view token,
                            bool requested) {
  LiquidityPlan plan;
  add_reads(plan, settings, token, requested ? std::optional<std::string>("") : std::nullopt);
  return {plan.plan.bound(), settings.total_time};
}

}  // namespace tarnwick

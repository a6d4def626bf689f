// Fuzz target: the reading of chain replies (owner privilege, market depth, account age,
// reputation) on arbitrary reply text, and the creation-time reader on arbitrary "created" texts.
// Checked on every input:
//   - text that is not one JSON document reads as the unread values: not privileged, depth 0,
//     age unknown, no reputation score;
//   - a depth is 0 or 10000, a score at most 100;
//   - an age never shrinks as the reference time grows, is 0 at the creation second itself and
//     turns 1 exactly 86400 seconds later;
//   - a creation time, when one is read, is not before 1970;
//   - the evidence readers: text that is not JSON leaves every fact unavailable; a fact that is
//     read holds what it promises (supply readable, at most 20 holders, a 64-digit hash, at most
//     100 actions counted); symbols read from scopes are symbol codes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "assess/hazards.h"
#include "assess/token_amounts.h"
#include "chain/evidence_replies.h"
#include "chain/json_parse.h"
#include "chain/token_facts.h"
#include "common/json_reader.h"

namespace {

using namespace tarnwick;

void require(bool condition) {
  if (!condition) std::abort();
}

void check_ages(std::string_view reply) {
  constexpr std::uint64_t references[] = {0, 1'705'314'600, 1'767'225'600, 253'402'300'799,
                                          std::numeric_limits<std::uint64_t>::max()};
  std::uint32_t previous = 0;
  bool previous_known = false;
  for (const std::uint64_t reference : references) {
    const std::uint32_t age = account_age_days(reply, reference);
    if (age == unknown_age_days) continue;
    require(!previous_known || age >= previous);
    previous = age;
    previous_known = true;
  }
}

void check_created(std::string_view created) {
  const std::optional<std::int64_t> seconds = created_seconds(created);
  if (!seconds) return;
  require(*seconds >= 0);
  const auto at = static_cast<std::uint64_t>(*seconds);
  require(age_in_days(*seconds, at) == 0);
  require(age_in_days(*seconds, at + 86'399) == 0);
  require(age_in_days(*seconds, at + 86'400) == 1);
  if (at > 0) require(age_in_days(*seconds, at - 1) == 0);
}

void check_evidence(std::string_view reply, bool json) {
  JsonReader reader;
  const AccountDetails account = account_details(reader, reply);
  const MarketFact market = market_fact(reader, reply, "snipcoins");
  const SupplyRead supply = supply_read(reader, reply, "TOK");
  const Asset asset{.units = 10'000'000, .precision = 4, .symbol = "TOK"};
  const HoldersFact holders = holders_fact(reader, reply, asset);
  const CodeFact code = code_fact(reader, reply);
  const ActivityFact activity = activity_fact(reader, reply, "snipcoins", 1'748'779'200);
  const std::optional<std::vector<std::string>> symbols = stat_symbols(reader, reply);
  if (!json) {
    require(!account.permissions.why.empty() && !market.why.empty() && !supply.fact.why.empty() &&
            !holders.why.empty() && !code.why.empty() && !activity.why.empty() && !symbols);
  }
  require(supply.fact.why.empty() == supply.supply.has_value());
  if (supply.supply) require(parse_asset(supply.fact.max_supply).has_value());
  require(holders.holders.size() <= top_holder_limit);
  if (code.why.empty()) require(code.hash.size() == 64);
  std::uint64_t counted = 0;
  for (const auto& [name, count] : activity.by_name) counted += count;
  require(counted <= history_action_limit && activity.per_hour <= counted);
  if (symbols) {
    for (const std::string& symbol : *symbols) require(is_symbol_code(symbol));
  }
  if (const std::optional<std::string> symbol = scope_symbol(reply)) {
    require(is_symbol_code(*symbol));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  const bool privileged = owner_privileged(reply);
  const std::uint16_t depth = liquidity_depth(reply, "snipcoins");
  const std::uint16_t short_depth = liquidity_depth(reply, "a");
  const std::optional<std::uint8_t> score = reputation_score(reply);
  require(depth == 0 || depth == active_market_depth);
  require(short_depth == 0 || short_depth == active_market_depth);
  require(!score || *score <= 100);
  if (parse_json(reply).is_discarded()) {
    require(!privileged && depth == 0 && short_depth == 0 && !score);
    require(account_age_days(reply, 1'767'225'600) == unknown_age_days);
  }
  check_evidence(reply, !parse_json(reply).is_discarded());
  check_ages(reply);
  check_created(reply);
  return 0;
}

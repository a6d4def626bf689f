#include "chain/currency_stats_reply.h"

#include <string>

#include "common/json_reader.h"

namespace tarnwick {

SupplyRead supply_read(JsonReader& reader, std::string_view reply, std::string_view symbol) {
  SupplyRead read;
  SupplyFact& fact = read.fact;
  bool found = false;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& stats) {
    if (key != symbol) return;
    found = true;
    for_each_member(stats, [&](std::string_view name, JsonValue& value) {
      if (is_key(name, "supply")) fact.supply = std::string(text_or_empty(value));
      if (is_key(name, "max_supply")) fact.max_supply = std::string(text_or_empty(value));
      if (is_key(name, "issuer")) fact.issuer = std::string(text_or_empty(value));
    });
  });
  const std::optional<Asset> supply = parse_asset(fact.supply);
  const std::optional<Asset> max_supply = parse_asset(fact.max_supply);
  if (!json) {
    fact.why = reason(ReasonCode::not_json, reply_not_json);
  } else if (!found) {
    fact.why = reason(ReasonCode::not_held, "the contract holds no such symbol");
  } else if (!supply || !max_supply || supply->symbol != symbol || max_supply->symbol != symbol ||
             supply->precision != max_supply->precision) {
    fact.why =
        reason(ReasonCode::shape_not_recognised, "reply without a readable supply and max_supply");
  }
  if (!fact.why.empty()) return SupplyRead{unavailable<SupplyFact>(fact.why), std::nullopt};
  fact.symbol = std::string(symbol);
  fact.precision = supply->precision;
  fact.capped = max_supply->units > 0 && max_supply->units != max_asset_units;
  fact.over_cap = fact.capped && supply->units > max_supply->units;
  if (fact.capped) fact.headroom_bp = headroom_bp(supply->units, max_supply->units);
  read.supply = supply;
  return read;
}

}  // namespace tarnwick

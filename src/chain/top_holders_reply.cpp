#include "chain/top_holders_reply.h"

#include <string>
#include <vector>

#include "assess/evidence_measures.h"
#include "common/json_reader.h"

namespace tarnwick {

HoldersFact holders_fact(JsonReader& reader, std::string_view reply, const Asset& supply) {
  HoldersFact fact;
  std::vector<HolderUnits> units;
  std::vector<std::string> owners;
  bool listed = false;
  bool error = false;
  bool unreadable = false;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "error")) error = true;
    if (!is_key(key, "holders")) return;
    fact.holders.clear();
    units.clear();
    unreadable = false;
    listed = for_each_element(value, [&](JsonValue& entry) {
      std::string_view owner;
      std::optional<std::uint64_t> amount;
      for_each_member(entry, [&](std::string_view name, JsonValue& member) {
        if (is_key(name, "owner")) owner = text_or_empty(member);
        if (is_key(name, "amount")) {
          const std::optional<JsonNumber> held = number(member);
          amount = held ? amount_units(*held, supply.precision) : std::nullopt;
        }
      });
      if (owner.empty() || !amount) {
        unreadable = true;
        return false;
      }
      HolderEntry holder{.owner = std::string(owner), .amount = {}, .share_bp = {}};
      append_asset(holder.amount, *amount, supply.precision, supply.symbol);
      holder.share_bp = capped_share_bp(*amount, supply.units);
      fact.holders.push_back(std::move(holder));
      units.push_back(HolderUnits{.owner = {}, .units = *amount});
      return fact.holders.size() < top_holder_limit;
    });
  });
  if (!json) return unavailable<HoldersFact>(ReasonCode::not_json, reply_not_json);
  if (!listed) {
    return error ? unavailable<HoldersFact>(ReasonCode::absent_at_node,
                                            "the history node has no state index for holders")
                 : unavailable<HoldersFact>(ReasonCode::shape_not_recognised,
                                            "reply without holders");
  }
  if (unreadable) {
    return unavailable<HoldersFact>(ReasonCode::shape_not_recognised,
                                    "a holder without an owner or a readable amount");
  }
  if (fact.holders.empty() && supply.units > 0) {
    return unavailable<HoldersFact>(ReasonCode::absent_at_node,
                                    "the history node has not indexed this token");
  }
  if (!within_float_rounding(units, supply.units)) {
    return unavailable<HoldersFact>(
        ReasonCode::disagreement,
        "the history index and the chain disagree: the holders hold more than the supply");
  }
  for (std::size_t i = 0; i < units.size(); ++i) units[i].owner = fact.holders[i].owner;
  fact.top_ten_bp = top_ten_share_bp(units, supply.units);
  return fact;
}

}  // namespace tarnwick

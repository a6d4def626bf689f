#include "chain/evidence_replies.h"

#include <algorithm>
#include <map>

#include "assess/evidence_measures.h"
#include "chain/token_facts.h"
#include "common/account_name.h"
#include "common/json_reader.h"

namespace tarnwick {
std::optional<std::string> market_symbol(const MarketFact& market, std::string_view token) {
  if (!market.why.empty() || !market.found) return std::nullopt;
  const std::string& symbol = market.bid.contract == token ? market.bid.symbol : market.ask.symbol;
  if (symbol.empty()) return std::nullopt;
  return symbol;
}

std::optional<std::string> scope_symbol(std::string_view scope) {
  const std::optional<std::uint64_t> code = encode_account_name(scope);
  if (!code) return std::nullopt;
  std::string symbol;
  std::uint64_t rest = *code;
  while (rest != 0 && symbol.size() < 8) {
    const auto letter = static_cast<char>(rest & 0xFFU);
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    symbol += letter;
    rest >>= 8;
  }
  if (!is_symbol_code(symbol)) return std::nullopt;
  return symbol;
}

std::optional<std::vector<std::string>> stat_symbols(JsonReader& reader, std::string_view reply) {
  std::optional<std::vector<std::string>> symbols;
  reader.read_members(reply, [&](std::string_view key, JsonValue& rows) {
    if (!is_key(key, "rows")) return;
    symbols.emplace();
    std::size_t seen = 0;
    const bool listed = for_each_element(rows, [&](JsonValue& row) {
      const std::optional<std::string> symbol = scope_symbol(text_member(row, "scope"));
      if (symbol && std::find(symbols->begin(), symbols->end(), *symbol) == symbols->end()) {
        symbols->push_back(*symbol);
      }
      return ++seen < stat_scope_limit;
    });
    if (!listed) symbols.reset();  // a `rows` that is no array lists nothing
  });
  return symbols;
}

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

bool code_ever_set(const std::optional<std::string>& last_code_update) {
  return last_code_update && !last_code_update->starts_with("1970-01-01T00:00:00");
}

IssuerFact named_issuer(std::string_view name, const PriorRugList& prior_rugs) {
  IssuerFact fact;
  fact.name = std::string(name);
  fact.listed = prior_rugs.contains(name);
  return fact;
}

IssuerFact issuer_fact(JsonReader& reader, std::string_view account_reply, std::string_view name,
                       std::uint64_t reference_time, const PriorRugList& prior_rugs) {
  IssuerFact fact = named_issuer(name, prior_rugs);
  AccountRead account = read_account(reader, account_reply);
  if (account.created) {
    fact.created = *account.created;
    fact.age_days = age_of(fact.created, reference_time);
  }
  if (!account.permissions.why.empty()) {
    fact.account_why = account.permissions.why;
    return fact;
  }
  if (!fact.age_days) {
    fact.account_why = reason(ReasonCode::shape_not_recognised,
                              "reply without a created time that reads as an age");
  }
  fact.has_code = code_ever_set(account.permissions.last_code_update);
  fact.control = std::move(account.permissions.entries);
  fact.privileged = account.permissions.owner_keys;
  return fact;
}

CreatorFact creator_fact(JsonReader& reader, std::string_view reply,
                         const PriorRugList& prior_rugs) {
  CreatorFact fact;
  bool error = false;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "creator")) fact.account = std::string(text_or_empty(value));
    if (is_key(key, "timestamp")) fact.created = std::string(text_or_empty(value));
    if (is_key(key, "error")) error = true;
  });
  if (!json) return unavailable<CreatorFact>(ReasonCode::not_json, reply_not_json);
  if (!is_account_name(fact.account)) {
    return error ? unavailable<CreatorFact>(ReasonCode::absent_at_node,
                                            "the history node has no creator for this account")
                 : unavailable<CreatorFact>(ReasonCode::shape_not_recognised,
                                            "reply without a creator");
  }
  fact.listed = prior_rugs.contains(fact.account);
  return fact;
}

CodeFact code_fact(JsonReader& reader, std::string_view reply) {
  CodeFact fact;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "code_hash")) fact.hash = std::string(text_or_empty(value));
  });
  const bool hash_shape =
      fact.hash.size() == 64 && std::all_of(fact.hash.begin(), fact.hash.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
      });
  if (!json) return unavailable<CodeFact>(ReasonCode::not_json, reply_not_json);
  if (!hash_shape)
    return unavailable<CodeFact>(ReasonCode::shape_not_recognised, "reply without a code hash");
  fact.has_code = fact.hash != std::string(64, '0');
  if (fact.hash == standard_token_build_2021) fact.build = "2021";
  if (fact.hash == standard_token_build_2023) fact.build = "2023";
  return fact;
}

}  // namespace tarnwick

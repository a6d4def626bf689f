#include "chain/evidence_replies.h"

#include <algorithm>
#include <map>
#include <span>

#include "assess/evidence_measures.h"
#include "chain/token_facts.h"
#include "common/account_name.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

constexpr std::string_view not_json = "reply not JSON";

// A fact with only its reason set.
template <class Fact>
Fact unavailable(std::string_view why) {
  Fact fact;
  fact.why = std::string(why);
  return fact;
}

std::size_t element_count(JsonValue& value) {
  std::size_t count = 0;
  for_each_element(value, [&](JsonValue&) {
    ++count;
    return true;
  });
  return count;
}

// One permission of a get_account reply, read whatever its name.
PermissionEntry permission_entry(JsonValue& permission) {
  PermissionEntry entry;
  bool has_authority = false;
  bool outsider = false;
  for_each_member(permission, [&](std::string_view key, JsonValue& value) {
    if (key == "perm_name") entry.name = std::string(text_or_empty(value));
    if (key != "required_auth") return;
    has_authority = true;
    entry.accounts.clear();
    outsider = false;
    for_each_member(value, [&](std::string_view name, JsonValue& member) {
      if (name == "keys") entry.keys = static_cast<std::uint32_t>(element_count(member));
      if (name != "accounts") return;
      for_each_element(member, [&](JsonValue& account) {
        std::string_view actor;
        std::string_view permission_name;
        for_each_member(account, [&](std::string_view field, JsonValue& level) {
          if (field != "permission") return;
          for_each_member(level, [&](std::string_view part, JsonValue& named) {
            if (part == "actor") actor = text_or_empty(named);
            if (part == "permission") permission_name = text_or_empty(named);
          });
        });
        if (!actor.empty() && actor != "eosio.prods") outsider = true;
        if (entry.accounts.size() < max_listed_accounts) {
          entry.accounts.push_back(std::string(actor) + "@" + std::string(permission_name));
        }
        return true;
      });
    });
  });
  entry.privileged = has_authority && (outsider || entry.keys > 0);
  return entry;
}

// The symbol code of a "sym" text ("4,TOK") or, failing that, of a "quantity" ("1.0 TOK");
// empty when neither holds one.
std::string side_symbol(std::string_view sym, std::string_view quantity) {
  std::string_view code;
  if (const std::size_t comma = sym.find(','); comma != std::string_view::npos) {
    code = sym.substr(comma + 1);
  } else if (const std::size_t space = quantity.find(' '); space != std::string_view::npos) {
    code = quantity.substr(space + 1);
  }
  return is_symbol_code(code) ? std::string(code) : std::string();
}

MarketSide market_side(JsonValue& side) {
  MarketSide out;
  std::string_view sym;
  std::string_view quantity;
  for_each_member(side, [&](std::string_view key, JsonValue& value) {
    if (key == "contract") out.contract = std::string(text_or_empty(value));
    if (key == "sym") sym = text_or_empty(value);
    if (key == "quantity") quantity = text_or_empty(value);
  });
  out.symbol = side_symbol(sym, quantity);
  return out;
}

}  // namespace

AccountDetails account_details(JsonReader& reader, std::string_view account_reply) {
  AccountDetails details;
  bool listed = false;
  const bool json = reader.read_members(account_reply, [&](std::string_view key, JsonValue& value) {
    if (key == "permissions") {
      listed = true;
      details.permissions.entries.clear();
      for_each_element(value, [&](JsonValue& permission) {
        PermissionEntry entry = permission_entry(permission);
        const bool named = entry.name == "owner" || entry.name == "active";
        const bool listed_before =
            std::any_of(details.permissions.entries.begin(), details.permissions.entries.end(),
                        [&](const PermissionEntry& earlier) { return earlier.name == entry.name; });
        if (named && !listed_before) details.permissions.entries.push_back(std::move(entry));
        return true;
      });
    }
    if (key == "last_code_update") {
      const std::optional<std::string_view> updated = text(value);
      details.permissions.last_code_update =
          updated ? std::optional<std::string>(*updated) : std::nullopt;
    }
    if (key == "head_block_time") {
      const std::optional<std::string_view> head = text(value);
      details.head_block_time = head ? created_seconds(*head) : std::nullopt;
    }
  });
  if (!json) {
    details.permissions.why = not_json;
  } else if (!listed) {
    details.permissions.why = "reply without permissions";
  }
  return details;
}

MarketFact market_fact(JsonReader& reader, std::string_view markets_reply, std::string_view token) {
  MarketFact fact;
  bool has_rows = false;
  const bool json = reader.read_members(markets_reply, [&](std::string_view key, JsonValue& rows) {
    if (key != "rows") return;
    fact = MarketFact{};
    has_rows = true;
    for_each_element(rows, [&](JsonValue& row) {
      ++fact.rows_read;
      if (fact.found) return true;
      MarketFact candidate;
      for_each_member(row, [&](std::string_view name, JsonValue& value) {
        if (name == "market_id") candidate.market_id = whole_number(value);
        if (name == "symbol") candidate.symbol = std::string(text_or_empty(value));
        if (name == "status_code") candidate.status_code = whole_number(value);
        if (name == "bid_token") candidate.bid = market_side(value);
        if (name == "ask_token") candidate.ask = market_side(value);
      });
      if (candidate.bid.contract != token && candidate.ask.contract != token) return true;
      candidate.found = true;
      candidate.rows_read = fact.rows_read;
      fact = std::move(candidate);
      return true;
    });
  });
  if (!json) {
    fact.why = not_json;
  } else if (!has_rows) {
    fact.why = "reply without rows";
  }
  fact.limit_reached = fact.rows_read >= market_row_limit;
  return fact;
}

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
    if (key != "rows") return;
    symbols.emplace();
    std::size_t seen = 0;
    for_each_element(rows, [&](JsonValue& row) {
      const std::optional<std::string> symbol = scope_symbol(text_member(row, "scope"));
      if (symbol && std::find(symbols->begin(), symbols->end(), *symbol) == symbols->end()) {
        symbols->push_back(*symbol);
      }
      return ++seen < stat_scope_limit;
    });
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
      if (name == "supply") fact.supply = std::string(text_or_empty(value));
      if (name == "max_supply") fact.max_supply = std::string(text_or_empty(value));
      if (name == "issuer") fact.issuer = std::string(text_or_empty(value));
    });
  });
  const std::optional<Asset> supply = parse_asset(fact.supply);
  const std::optional<Asset> max_supply = parse_asset(fact.max_supply);
  if (!json) {
    fact.why = not_json;
  } else if (!found) {
    fact.why = "the contract has no such symbol";
  } else if (!supply || !max_supply || supply->symbol != symbol || max_supply->symbol != symbol ||
             supply->precision != max_supply->precision) {
    fact.why = "reply without a readable supply and max_supply";
  }
  if (!fact.why.empty()) return SupplyRead{unavailable<SupplyFact>(fact.why), std::nullopt};
  fact.symbol = std::string(symbol);
  fact.precision = supply->precision;
  fact.capped = max_supply->units > 0;
  fact.headroom_bp = headroom_bp(supply->units, max_supply->units);
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
    if (key == "error") error = true;
    if (key != "holders") return;
    listed = true;
    fact.holders.clear();
    units.clear();
    unreadable = false;
    for_each_element(value, [&](JsonValue& entry) {
      std::string_view owner;
      std::optional<std::uint64_t> amount;
      for_each_member(entry, [&](std::string_view name, JsonValue& member) {
        if (name == "owner") owner = text_or_empty(member);
        if (name == "amount") {
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
      holder.share_bp = share_bp(*amount, supply.units);
      fact.holders.push_back(std::move(holder));
      units.push_back(HolderUnits{.owner = {}, .units = *amount});
      return fact.holders.size() < top_holder_limit;
    });
  });
  if (!json) return unavailable<HoldersFact>(not_json);
  if (!listed) {
    return unavailable<HoldersFact>(error ? "the history node has no state index for holders"
                                          : "reply without holders");
  }
  if (unreadable) return unavailable<HoldersFact>("a holder without an owner or a readable amount");
  if (fact.holders.empty() && supply.units > 0) {
    return unavailable<HoldersFact>("the history node has not indexed this token");
  }
  for (std::size_t i = 0; i < units.size(); ++i) units[i].owner = fact.holders[i].owner;
  fact.top_ten_bp = top_ten_share_bp(units, supply.units);
  return fact;
}

CodeFact code_fact(JsonReader& reader, std::string_view reply) {
  CodeFact fact;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (key == "code_hash") fact.hash = std::string(text_or_empty(value));
  });
  const bool hash_shape =
      fact.hash.size() == 64 && std::all_of(fact.hash.begin(), fact.hash.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
      });
  if (!json) return unavailable<CodeFact>(not_json);
  if (!hash_shape) return unavailable<CodeFact>("reply without a code hash");
  fact.has_code = fact.hash != std::string(64, '0');
  if (fact.hash == standard_token_build_2021) fact.build = "2021";
  if (fact.hash == standard_token_build_2023) fact.build = "2023";
  return fact;
}

ActivityFact activity_fact(JsonReader& reader, std::string_view history_reply,
                           std::string_view token, std::optional<std::int64_t> head_block_time) {
  if (!head_block_time) return unavailable<ActivityFact>("no head_block_time in the account reply");
  std::vector<ActionTime> times;
  std::map<std::string, std::uint32_t, std::less<>> by_name;
  std::optional<std::int64_t> newest;
  ActivityFact fact;
  bool listed = false;
  const bool json = reader.read_members(history_reply, [&](std::string_view key, JsonValue& list) {
    if (key != "actions") return;
    listed = true;
    times.clear();
    by_name.clear();
    newest.reset();
    fact.newest.clear();
    for_each_element(list, [&](JsonValue& action) {
      std::string_view stamp;
      std::string_view account;
      std::string_view name;
      for_each_member(action, [&](std::string_view member, JsonValue& value) {
        if (member == "@timestamp") stamp = text_or_empty(value);
        if (member != "act") return;
        for_each_member(value, [&](std::string_view field, JsonValue& part) {
          if (field == "account") account = text_or_empty(part);
          if (field == "name") name = text_or_empty(part);
        });
      });
      const ActionTime time{.seconds = created_seconds(stamp), .of_token = account == token};
      times.push_back(time);
      if (time.of_token) {
        ++by_name[std::string(name)];
        if (time.seconds && (!newest || *time.seconds > *newest)) {
          newest = time.seconds;
          fact.newest = std::string(stamp);
        }
      }
      return times.size() < history_action_limit;
    });
  });
  if (!json) return unavailable<ActivityFact>(not_json);
  if (!listed) return unavailable<ActivityFact>("reply without actions");
  const ActivityRate rate = activity_rate(times, *head_block_time, history_action_limit);
  fact.per_hour = rate.per_hour;
  fact.saturated = rate.saturated;
  fact.by_name.assign(by_name.begin(), by_name.end());
  return fact;
}

}  // namespace tarnwick

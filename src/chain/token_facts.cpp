#include "chain/token_facts.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "assess/evidence_measures.h"
#include "assess/hazards.h"
#include "assess/scan_record.h"
#include "assess/token_amounts.h"
#include "assess/verdict.h"
#include "common/json_reader.h"
#include "common/text.h"

namespace tarnwick {
namespace {

std::uint32_t element_count(JsonValue& value) {
  std::uint32_t count = 0;
  for_each_element(value, [&](JsonValue&) {
    ++count;
    return true;
  });
  return count;
}

// One permission of a get_account reply, read whatever its name: its authority (the last
// "required_auth" counts, and within it the last "keys" and "accounts") and whether it is linked
// to an action that sets the contract's code.
struct PermissionRead {
  PermissionEntry entry;
  bool has_authority = false;
  bool outsider = false;  // the authority names an actor other than the block producers
  std::string sets_code;  // how a link lets it set the code; empty when none does
};

// The actor and permission of one "accounts" element; the last "permission" member counts.
std::pair<std::string_view, std::string_view> authority_account(JsonValue& account) {
  std::string_view actor;
  std::string_view permission;
  for_each_member(account, [&](std::string_view field, JsonValue& level) {
    if (!is_key(field, "permission")) return;
    actor = {};
    permission = {};
    for_each_member(level, [&](std::string_view part, JsonValue& named) {
      if (is_key(part, "actor")) actor = text_or_empty(named);
      if (is_key(part, "permission")) permission = text_or_empty(named);
    });
  });
  return {actor, permission};
}

void read_authority(JsonValue& authority, PermissionRead& read) {
  read.has_authority = true;
  read.entry.keys = 0;
  read.entry.accounts.clear();
  read.outsider = false;
  for_each_member(authority, [&](std::string_view name, JsonValue& member) {
    if (is_key(name, "keys")) read.entry.keys = element_count(member);
    if (!is_key(name, "accounts")) return;
    read.entry.accounts.clear();
    read.outsider = false;
    for_each_element(member, [&](JsonValue& account) {
      const auto [actor, permission] = authority_account(account);
      if (!actor.empty() && actor != "eosio.prods") read.outsider = true;
      if (read.entry.accounts.size() < max_listed_accounts) {
        read.entry.accounts.push_back(std::string(actor) + "@" + std::string(permission));
      }
      return true;
    });
  });
}

// How a link {"account","action"} lets its permission set the code: eosio's setcode or setabi,
// or every action of eosio (no action named); empty for any other link.
std::string code_link(std::string_view account, std::optional<std::string_view> action) {
  if (account != "eosio") return {};
  if (!action || action->empty()) return "linked to every eosio action";
  if (*action == "setcode" || *action == "setabi")
    return "linked to eosio::" + std::string(*action);
  return {};
}

std::string link_sets_code(JsonValue& link) {
  std::string_view account;
  std::optional<std::string_view> action;
  for_each_member(link, [&](std::string_view name, JsonValue& value) {
    if (is_key(name, "account")) account = text_or_empty(value);
    if (is_key(name, "action")) action = text(value);
  });
  return code_link(account, action);
}

PermissionRead read_permission(JsonValue& permission) {
  PermissionRead read;
  for_each_member(permission, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "perm_name")) read.entry.name = std::string(text_or_empty(value));
    if (is_key(key, "parent")) read.entry.parent = std::string(text_or_empty(value));
    if (is_key(key, "required_auth")) read_authority(value, read);
    if (is_key(key, "linked_actions")) {
      read.sets_code.clear();
      for_each_element(value, [&](JsonValue& link) {
        read.sets_code = link_sets_code(link);
        return read.sets_code.empty();
      });
    }
  });
  const bool named = is_key(read.entry.name, "owner") || is_key(read.entry.name, "active");
  read.entry.privileged = named && read.has_authority && (read.outsider || read.entry.keys > 0);
  return read;
}

// One element of eosio_any_linked_actions: the permission it names (a text, or an object's
// "perm_name" or "permission"), or, for a link to a code-setting action, every permission.
struct AnyLink {
  std::string permission;
  std::string sets_code;
};

AnyLink read_any_link(JsonValue& element) {
  AnyLink link;
  if (const std::optional<std::string_view> name = text(element)) {
    link.permission = std::string(*name);
    return link;
  }
  std::string_view account;
  std::optional<std::string_view> action;
  for_each_member(element, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "perm_name") || is_key(key, "permission"))
      link.permission = std::string(text_or_empty(value));
    if (is_key(key, "account")) account = text_or_empty(value);
    if (is_key(key, "action")) action = text(value);
  });
  if (link.permission.empty()) link.sets_code = code_link(account, action);
  return link;
}

constexpr std::string_view default_code_setter =
    "the default: no permission is linked to eosio::setcode or setabi";

// The permissions that can set the code: each linked one, each named by eosio_any_linked_actions,
// then the parents of those up to owner, which can act for them; in reply order, each once.
std::vector<CodeSetter> code_setters(const std::vector<PermissionRead>& permissions,
                                     const std::vector<AnyLink>& any_links) {
  std::map<std::string, std::string, std::less<>> via;  // permission name -> why it is listed
  std::vector<std::string> reached;
  auto reach = [&](const std::string& name, std::string why) {
    if (name.empty() || via.contains(name)) return;
    via.emplace(name, std::move(why));
    reached.push_back(name);
  };
  for (const PermissionRead& permission : permissions) {
    if (!permission.sets_code.empty()) reach(permission.entry.name, permission.sets_code);
  }
  for (const AnyLink& link : any_links) {
    if (!link.permission.empty()) reach(link.permission, "named in eosio_any_linked_actions");
    if (link.sets_code.empty()) continue;
    for (const PermissionRead& permission : permissions) {
      reach(permission.entry.name, "any permission: eosio_any_linked_actions " + link.sets_code);
    }
  }
  auto find = [&](std::string_view name) -> const PermissionRead* {
    for (const PermissionRead& permission : permissions) {
      if (permission.entry.name == name) return &permission;
    }
    return nullptr;
  };
  // With no permission linked to a code-setting action, the chain's default applies: active
  // satisfies setcode and setabi (and owner, above it).
  if (reached.empty() && find("active") != nullptr)
    reach("active", std::string(default_code_setter));
  // `reached` grows as parents are reached, so it is walked by index.
  for (std::size_t next = 0; next < reached.size();) {
    const PermissionRead* child = find(reached[next++]);
    if (child != nullptr) reach(child->entry.parent, "parent of " + child->entry.name);
  }
  std::vector<CodeSetter> setters;
  for (const PermissionRead& permission : permissions) {
    const auto listed = via.find(permission.entry.name);
    if (listed == via.end() || listed->second.empty()) continue;
    setters.push_back(CodeSetter{.permission = permission.entry, .via = listed->second});
    listed->second.clear();  // a name given twice is listed once
  }
  return setters;
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

// One side of a market row as it stands in the reply; valid until the reader's next read.
struct SideView {
  std::string_view contract;
  std::string_view sym;
  std::string_view quantity;

  MarketSide side() const { return MarketSide{std::string(contract), side_symbol(sym, quantity)}; }
};

SideView side_view(JsonValue& side) {
  SideView view;
  for_each_member(side, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "contract")) view.contract = text_or_empty(value);
    if (is_key(key, "sym")) view.sym = text_or_empty(value);
    if (is_key(key, "quantity")) view.quantity = text_or_empty(value);
  });
  return view;
}

// An action's data names `symbol`: its "quantity" is an amount of it ("1.0000 SYM"), or its
// "symbol" is it, alone ("SYM") or with a precision ("4,SYM"). The last member of each name counts.
bool names_symbol(JsonValue& data, std::string_view symbol) {
  std::string_view quantity;
  std::string_view named;
  for_each_member(data, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "quantity")) quantity = text_or_empty(value);
    if (is_key(key, "symbol")) named = text_or_empty(value);
  });
  const std::size_t space = quantity.find(' ');
  if (space != std::string_view::npos && quantity.substr(space + 1) == symbol) return true;
  const std::size_t comma = named.find(',');
  return (comma == std::string_view::npos ? named : named.substr(comma + 1)) == symbol;
}

// The JSON value as the assessment's raw reputation, with the number kinds kept apart.
RawReputation raw_reputation(JsonValue& value) {
  if (const auto content = text(value)) return std::string(*content);
  if (const auto held = number(value)) {
    return std::visit([](auto n) { return RawReputation(n); }, *held);
  }
  return std::monostate{};
}

// The members of a market row that the market fact rests on, as views into the reply.
struct MarketRowView {
  std::optional<std::uint64_t> market_id;
  std::string_view symbol;
  std::optional<std::uint64_t> status_code;
  SideView bid;
  SideView ask;
};

MarketRowView market_row_view(JsonValue& row) {
  MarketRowView view;
  for_each_member(row, [&](std::string_view name, JsonValue& value) {
    if (is_key(name, "market_id")) view.market_id = whole_number(value);
    if (is_key(name, "symbol")) view.symbol = text_or_empty(value);
    if (is_key(name, "status_code")) view.status_code = whole_number(value);
    if (is_key(name, "bid_token")) view.bid = side_view(value);
    if (is_key(name, "ask_token")) view.ask = side_view(value);
  });
  return view;
}

}  // namespace

AccountRead read_account(JsonReader& reader, std::string_view account_reply) {
  AccountRead read;
  PermissionsFact& fact = read.permissions;
  std::vector<PermissionRead> permissions;
  std::vector<AnyLink> any_links;
  bool listed = false;
  const bool json = reader.read_members(account_reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "permissions")) {
      listed = true;
      permissions.clear();
      fact.owner_keys = false;
      fact.cut = false;
      for_each_element(value, [&](JsonValue& element) {
        PermissionRead permission = read_permission(element);
        fact.owner_keys = fact.owner_keys || permission.entry.privileged;
        if (permissions.size() < max_listed_permissions) {
          permissions.push_back(std::move(permission));
        } else {
          fact.cut = true;
        }
        return true;
      });
    }
    if (is_key(key, "eosio_any_linked_actions")) {
      any_links.clear();
      for_each_element(value, [&](JsonValue& element) {
        if (any_links.size() < max_listed_permissions) any_links.push_back(read_any_link(element));
        return true;
      });
    }
    if (is_key(key, "last_code_update")) {
      const std::optional<std::string_view> updated = text(value);
      fact.last_code_update = updated ? std::optional<std::string>(*updated) : std::nullopt;
    }
    if (is_key(key, "head_block_time")) {
      const std::optional<std::string_view> head = text(value);
      read.head_block_time = head ? created_seconds(*head) : std::nullopt;
    }
    if (is_key(key, "created")) {
      const std::optional<std::string_view> created = text(value);
      read.created = created ? std::optional<std::string>(*created) : std::nullopt;
    }
  });
  if (!json)
    return AccountRead{unavailable<PermissionsFact>(ReasonCode::not_json, reply_not_json),
                       std::nullopt, std::nullopt};
  if (!listed) fact.why = reason(ReasonCode::shape_not_recognised, "reply without permissions");
  for (const PermissionRead& permission : permissions) {
    const std::string& name = permission.entry.name;
    if (is_key(name, "owner") || is_key(name, "active")) fact.entries.push_back(permission.entry);
  }
  fact.code_setters = code_setters(permissions, any_links);
  return read;
}

MarketFact read_market(JsonReader& reader, std::string_view markets_reply, std::string_view token) {
  std::uint64_t rows_read = 0;
  bool has_rows = false;
  std::optional<MarketRowView> found;  // views, so that rows not naming the token cost no copies
  std::vector<MarketRow> token_rows;
  bool more = false;
  const bool json = reader.read_members(markets_reply, [&](std::string_view key, JsonValue& rows) {
    if (is_key(key, "more")) more = more_flag(rows);
    if (!is_key(key, "rows")) return;
    rows_read = 0;
    found.reset();
    token_rows.clear();
    has_rows = for_each_element(rows, [&](JsonValue& row) {
      ++rows_read;
      const MarketRowView view = market_row_view(row);
      if (view.bid.contract != token && view.ask.contract != token) return true;
      if (!found) found = view;
      if (token_rows.size() < max_token_rows) {
        token_rows.push_back(MarketRow{view.status_code, view.bid.side(), view.ask.side()});
      }
      return true;
    });
  });
  if (!json) return unavailable<MarketFact>(ReasonCode::not_json, reply_not_json);
  if (!has_rows)
    return unavailable<MarketFact>(ReasonCode::shape_not_recognised, "reply without rows");
  MarketFact fact;
  fact.token_rows = std::move(token_rows);
  fact.rows_read = rows_read;
  fact.more = more;
  fact.limit_reached = rows_read >= market_row_limit || more;
  if (found) {
    fact.found = true;
    fact.market_id = found->market_id;
    fact.symbol = std::string(found->symbol);
    fact.status_code = found->status_code;
    fact.bid = found->bid.side();
    fact.ask = found->ask.side();
  }
  return fact;
}

std::optional<std::string_view> created_text(JsonReader& reader, std::string_view account_reply) {
  std::optional<std::string_view> created;
  reader.read_members(account_reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "created")) created = text(value);
  });
  return created;
}

CreationFact read_creation(JsonReader& reader, std::string_view account_reply,
                           std::uint64_t reference_time) {
  CreationFact fact;
  fact.reference_time = reference_time;
  const std::optional<std::string_view> created = created_text(reader, account_reply);
  if (!created) {
    fact.why = reason(ReasonCode::shape_not_recognised, "reply without a created time");
    return fact;
  }
  const std::optional<std::uint32_t> age = age_of(*created, reference_time);
  if (!age) {
    fact.why = reason(ReasonCode::shape_not_recognised, "the created time does not read as an age");
    return fact;
  }
  fact.created = std::string(*created);
  fact.age_days = *age;
  return fact;
}

ReputationFact read_reputation(JsonReader& reader, std::string_view reputation_reply,
                               std::string_view contract) {
  ReputationFact fact;
  bool has_rows = false;
  const bool json =
      reader.read_members(reputation_reply, [&](std::string_view key, JsonValue& rows) {
        if (!is_key(key, "rows")) return;
        fact.avg_score.reset();
        has_rows = for_each_element(rows, [&](JsonValue& row) {
          for_each_member(row, [&](std::string_view name, JsonValue& value) {
            if (is_key(name, "avg_score")) fact.avg_score = raw_reputation(value);
          });
          return false;
        });
      });
  if (!json || !has_rows) {
    fact = json
               ? unavailable<ReputationFact>(ReasonCode::shape_not_recognised, "reply without rows")
               : unavailable<ReputationFact>(ReasonCode::not_json, reply_not_json);
  } else if (fact.avg_score) {
    fact.score = scale_reputation(*fact.avg_score);
  }
  fact.contract = std::string(contract);
  return fact;
}

ActivityFact read_activity(JsonReader& reader, std::string_view history_reply,
                           std::string_view token, std::optional<std::int64_t> head_block_time,
                           std::optional<std::string_view> symbol) {
  if (!head_block_time) {
    return unavailable<ActivityFact>(ReasonCode::input_unread,
                                     "no head_block_time in the account reply");
  }
  std::vector<ActionTime> times;
  std::map<std::string, std::uint32_t, std::less<>> by_name;
  std::optional<std::int64_t> newest;
  std::uint32_t symbol_actions = 0;
  ActivityFact fact;
  bool listed = false;
  const bool json = reader.read_members(history_reply, [&](std::string_view key, JsonValue& list) {
    if (!is_key(key, "actions")) return;
    times.clear();
    by_name.clear();
    newest.reset();
    symbol_actions = 0;
    fact.newest.clear();
    // An `actions` that is no array is no answer: never an account without actions.
    listed = for_each_element(list, [&](JsonValue& action) {
      std::string_view stamp;
      std::string_view account;
      std::string_view name;
      bool of_symbol = false;
      for_each_member(action, [&](std::string_view member, JsonValue& value) {
        if (is_key(member, "@timestamp")) stamp = text_or_empty(value);
        if (!is_key(member, "act")) return;
        of_symbol = false;
        for_each_member(value, [&](std::string_view field, JsonValue& part) {
          if (is_key(field, "account")) account = text_or_empty(part);
          if (is_key(field, "name")) name = text_or_empty(part);
          if (is_key(field, "data") && symbol) of_symbol = names_symbol(part, *symbol);
        });
      });
      const bool counted = account == token && (!symbol || of_symbol);
      const ActionTime time{.seconds = created_seconds(stamp), .of_token = counted};
      times.push_back(time);
      if (counted) {
        ++symbol_actions;
        ++by_name[std::string(name)];
        if (time.seconds && (!newest || *time.seconds > *newest)) {
          newest = time.seconds;
          fact.newest = std::string(stamp);
        }
      }
      return times.size() < history_action_limit;
    });
  });
  if (!json) return unavailable<ActivityFact>(ReasonCode::not_json, reply_not_json);
  if (!listed)
    return unavailable<ActivityFact>(ReasonCode::shape_not_recognised, "reply without actions");
  const ActivityRate rate = activity_rate(times, *head_block_time, history_action_limit);
  fact.per_hour = rate.per_hour;
  fact.saturated = rate.saturated;
  fact.by_name.assign(by_name.begin(), by_name.end());
  if (symbol) fact.symbol_actions = symbol_actions;
  return fact;
}

bool owner_privileged(JsonReader& reader, std::string_view account_reply) {
  return read_account(reader, account_reply).permissions.owner_keys;
}

std::uint16_t liquidity_depth(JsonReader& reader, std::string_view markets_reply,
                              std::string_view token) {
  return market_depth(read_market(reader, markets_reply, token));
}

std::uint32_t account_age_days(JsonReader& reader, std::string_view account_reply,
                               std::uint64_t reference_time) {
  const CreationFact fact = read_creation(reader, account_reply, reference_time);
  return fact.why.empty() ? fact.age_days : unknown_age_days;
}

std::optional<RawReputation> reputation_value(JsonReader& reader,
                                              std::string_view reputation_reply) {
  return read_reputation(reader, reputation_reply, {}).avg_score;
}

std::optional<std::uint8_t> reputation_score(JsonReader& reader,
                                             std::string_view reputation_reply) {
  return read_reputation(reader, reputation_reply, {}).score;
}

bool owner_privileged(std::string_view account_reply) {
  JsonReader reader;
  return owner_privileged(reader, account_reply);
}

std::uint16_t liquidity_depth(std::string_view markets_reply, std::string_view token) {
  JsonReader reader;
  return liquidity_depth(reader, markets_reply, token);
}

std::uint32_t account_age_days(std::string_view account_reply, std::uint64_t reference_time) {
  JsonReader reader;
  return account_age_days(reader, account_reply, reference_time);
}

std::optional<std::uint8_t> reputation_score(std::string_view reputation_reply) {
  JsonReader reader;
  return reputation_score(reader, reputation_reply);
}

}  // namespace tarnwick

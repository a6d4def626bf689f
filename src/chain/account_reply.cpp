#include "chain/account_reply.h"

#include <algorithm>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "common/calendar.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

constexpr std::size_t every_element = std::numeric_limits<std::size_t>::max();

// One permission of a get_account reply, read whatever its name: its authority (the last
// "required_auth" counts, and within it the last "keys" and "accounts") and whether it is linked
// to an action that sets the contract's code.
struct PermissionRead {
  PermissionEntry entry;  // its name, parent and accounts only when the permission is kept
  std::string_view name;  // its "perm_name", valid until the reader's next read
  bool named = false;     // its "perm_name" is a text that names a permission
  bool has_authority = false;
  bool authority_whole = false;  // "keys" and "accounts" are arrays, each account with its actor
  bool outsider = false;         // the authority names an actor other than the block producers
  std::string sets_code;         // how a link lets it set the code; empty when none does

  // Read whole: named, with its authority read whole; only then does what it lacks show.
  bool whole() const { return named && authority_whole; }
};

// The actor and permission of one "accounts" element; the last "permission" member counts. No
// actor when the element names none as a text.
std::pair<std::optional<std::string_view>, std::string_view> authority_account(JsonValue& account) {
  std::optional<std::string_view> actor;
  std::string_view permission;
  for_each_member(account, [&](std::string_view field, JsonValue& level) {
    if (!is_key(field, "permission")) return;
    actor.reset();
    permission = {};
    for_each_member(level, [&](std::string_view part, JsonValue& named) {
      if (is_key(part, "actor")) actor = text(named);
      if (is_key(part, "permission")) permission = text_or_empty(named);
    });
  });
  return {actor, permission};
}

// What a reader keeps of a permission: all of it, or only what OWNER_KEYS rests on (no texts,
// no accounts, no links), which costs no allocation.
enum class Keep { whole, owner_keys };

void read_authority(JsonValue& authority, PermissionRead& read, Keep keep) {
  read.has_authority = true;
  read.entry.keys = 0;
  read.entry.accounts.clear();
  read.outsider = false;
  ElementsRead keys;
  ElementsRead accounts;
  for_each_member(authority, [&](std::string_view name, JsonValue& member) {
    if (is_key(name, "keys")) {
      keys = read_elements(member, every_element, [](JsonValue&) { return true; });
      read.entry.keys = static_cast<std::uint32_t>(keys.read);
    }
    if (!is_key(name, "accounts")) return;
    read.entry.accounts.clear();
    read.outsider = false;
    accounts = read_elements(member, every_element, [&](JsonValue& account) {
      const auto [actor, permission] = authority_account(account);
      const std::string_view named = actor.value_or("");
      if (!named.empty() && named != "eosio.prods") read.outsider = true;
      if (keep == Keep::whole && read.entry.accounts.size() < max_listed_accounts) {
        read.entry.accounts.push_back(std::string(named) + "@" + std::string(permission));
      }
      return actor.has_value();
    });
  });
  read.authority_whole = keys.listed && accounts.whole();
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

PermissionRead read_permission(JsonValue& permission, Keep keep) {
  PermissionRead read;
  std::string_view parent;
  for_each_member(permission, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "perm_name")) {
      read.name = text_or_empty(value);
      read.named = !read.name.empty();
    }
    if (is_key(key, "parent")) parent = text_or_empty(value);
    if (is_key(key, "required_auth")) read_authority(value, read, keep);
    if (keep == Keep::whole && is_key(key, "linked_actions")) {
      read.sets_code.clear();
      for_each_element(value, [&](JsonValue& link) {
        read.sets_code = link_sets_code(link);
        return read.sets_code.empty();
      });
    }
  });
  const bool named = is_key(read.name, "owner") || is_key(read.name, "active");
  read.entry.privileged = named && read.has_authority && (read.outsider || read.entry.keys > 0);
  if (keep == Keep::whole) {
    read.entry.name.assign(read.name);
    read.entry.parent.assign(parent);
  }
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
    // One not read whole is left out: what its authority lacks is not shown as lacking.
    if (listed == via.end() || listed->second.empty() || !permission.whole()) continue;
    setters.push_back(CodeSetter{.permission = permission.entry, .via = listed->second});
    listed->second.clear();  // a name given twice is listed once
  }
  return setters;
}

// Why the permissions fact is not read, from how its entries were read: unavailable without an
// owner or active entry read whole, else partly when one of them, or any other entry, was not.
Reason permissions_unread(const ElementsRead& entries, bool owner_whole, bool active_whole) {
  if (!entries.listed || (!owner_whole && !active_whole)) {
    return reason(ReasonCode::shape_not_recognised, "reply without readable permissions");
  }
  if (!owner_whole || !active_whole) {
    return reason(ReasonCode::shape_not_recognised,
                  "reply without both its owner and active permissions read whole");
  }
  if (!entries.whole()) {
    return reason(ReasonCode::shape_not_recognised,
                  "reply with a permission that could not be read whole");
  }
  return {};
}

}  // namespace

AccountRead read_account(JsonReader& reader, std::string_view account_reply) {
  AccountRead read;
  PermissionsFact& fact = read.permissions;
  std::vector<PermissionRead> permissions;
  std::vector<AnyLink> any_links;
  bool listed = false;
  ElementsRead entries;
  bool owner_whole = false;
  bool active_whole = false;
  const bool json = reader.read_members(account_reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "permissions")) {
      listed = true;
      permissions.clear();
      fact.owner_keys = false;
      fact.cut = false;
      owner_whole = false;
      active_whole = false;
      entries = read_elements(value, every_element, [&](JsonValue& element) {
        PermissionRead permission = read_permission(element, Keep::whole);
        const bool whole = permission.whole();
        owner_whole = owner_whole || (whole && is_key(permission.entry.name, "owner"));
        active_whole = active_whole || (whole && is_key(permission.entry.name, "active"));
        fact.owner_keys = fact.owner_keys || permission.entry.privileged;
        if (permissions.size() < max_listed_permissions) {
          permissions.push_back(std::move(permission));
        } else {
          fact.cut = true;
        }
        return whole;
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
  fact.why = listed ? permissions_unread(entries, owner_whole, active_whole)
                    : reason(ReasonCode::shape_not_recognised, "reply without permissions");
  fact.partly = listed && !fact.why.empty() && (owner_whole || active_whole);
  for (const PermissionRead& permission : permissions) {
    const std::string& name = permission.entry.name;
    const bool owner_or_active = is_key(name, "owner") || is_key(name, "active");
    if (owner_or_active && permission.whole()) fact.entries.push_back(permission.entry);
  }
  fact.code_setters = code_setters(permissions, any_links);
  return read;
}

bool owner_keys(JsonReader& reader, std::string_view account_reply) {
  // read_account's walk, keeping nothing but the flag: the last "permissions" counts, every
  // element of it is read.
  bool privileged = false;
  reader.read_members(account_reply, [&](std::string_view key, JsonValue& value) {
    if (!is_key(key, "permissions")) return;
    privileged = false;
    for_each_element(value, [&](JsonValue& element) {
      privileged = read_permission(element, Keep::owner_keys).entry.privileged || privileged;
      return true;
    });
  });
  return privileged;
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

}  // namespace tarnwick

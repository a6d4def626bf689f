// The get_account reply: the account's permissions, who can set its code, when it was created and
// the node's head block time; and the reading of an issuer's account. Pure functions of the reply
// text: any reply yields a fact and never throws; a reply that is not JSON or lacks the members a
// fact rests on leaves it unavailable (or partly read) with its reason. A member that occurs twice
// counts by its last occurrence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "assess/evidence.h"
#include "chain/prior_rug_list.h"

namespace tarnwick {

class JsonReader;

// The most accounts listed for one permission, and the most permissions kept from one reply (all
// of them still count for OWNER_KEYS), so a hostile reply cannot make the answer grow with it.
inline constexpr std::size_t max_listed_accounts = 32;
inline constexpr std::size_t max_listed_permissions = 64;

// What the first get_account reply says: the permissions fact and the head block time.
struct AccountRead {
  PermissionsFact permissions;
  std::optional<std::string> created;           // its "created" text, when it is a text
  std::optional<std::int64_t> head_block_time;  // Unix seconds; none when absent or unreadable
};

// The first get_account reply. OWNER_KEYS (`owner_keys`): some permission named "owner" or
// "active" has a required authority that names an account (by the actor of its permission, empty
// actors skipped) other than "eosio.prods", or, naming none, lists at least one key; false when
// the reply is not JSON. Lists every owner and active permission, and every permission through
// which the code or ABI can be set (linked to eosio setcode, setabi or every eosio action, named
// in eosio_any_linked_actions, and their parents up to owner); with none linked or named, active
// by the chain's default, and its parents.
// The fact is read only when "permissions" is an array of permissions each read whole (a
// "perm_name" text, and a "required_auth" whose "keys" and "accounts" are arrays, each account
// naming its actor as a text), an owner and an active among them. With neither an owner nor an
// active permission read whole it is unavailable ("reply without readable permissions"); else
// partly, its entries and code setters only those read whole. OWNER_KEYS is the same whatever the
// fact's state: the scan weighs every reply as it always has.
AccountRead read_account(JsonReader& reader, std::string_view account_reply);

// OWNER_KEYS of a get_account reply, exactly as read_account sets it, read without keeping
// anything of the permissions (no allocation): what the verdict of a scan rests on.
bool owner_keys(JsonReader& reader, std::string_view account_reply);

// The second get_account reply: its "created" time and the age in whole days at
// `reference_time`. Unavailable when there is no created text or it does not read as an age.
CreationFact read_creation(JsonReader& reader, std::string_view account_reply,
                           std::uint64_t reference_time);

// From a get_account reply: the text of its "created" member; none when the reply is not JSON or
// the member is missing or not a text. Valid until the reader's next read.
std::optional<std::string_view> created_text(JsonReader& reader, std::string_view account_reply);

// Whether an account's code was ever set: its last_code_update is a time other than the epoch.
bool code_ever_set(const std::optional<std::string>& last_code_update);

// The issuer `name` as the supply's row names it, with `listed`, before its account is read.
IssuerFact named_issuer(std::string_view name, const PriorRugList& prior_rugs);

// From the get_account reply of the account that issues the token: named_issuer, then its
// created time and age at `reference_time`, whether it holds contract code (a last_code_update
// other than the epoch), its owner and active permissions under OWNER_KEYS's rule. Partly read
// (`account_why`) when the reply is not JSON, its permissions are not read whole (its created
// time still counts) or it has no created time that reads as an age.
IssuerFact issuer_fact(JsonReader& reader, std::string_view account_reply, std::string_view name,
                       std::uint64_t reference_time, const PriorRugList& prior_rugs);

}  // namespace tarnwick

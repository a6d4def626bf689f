// The readers of the reads /evidence makes beyond the scan's five: the contract's symbols, the
// supply, the top holders and the code hash. Pure functions of the reply text: any reply, of any
// shape or size, yields a fact and never throws. A reply that is not JSON, or lacks the fields a
// fact rests on, leaves that fact unavailable with a short reason: never a guess. Facts own their
// texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assess/evidence.h"
#include "assess/token_amounts.h"
#include "chain/prior_rug_list.h"

namespace tarnwick {

class JsonReader;

// The most holders the holders read asks for; later ones in a reply are not looked at.
inline constexpr std::size_t top_holder_limit = 20;
// The most scopes the "stat" read asks for; later ones in a reply are not looked at.
inline constexpr std::size_t stat_scope_limit = 10;

// The sha256 of the two published builds of the network's ready-made token contract.
inline constexpr std::string_view standard_token_build_2021 =
    "26008164a413c81f53e00fe61861cfad1d927802fada003208574d62b709673b";
inline constexpr std::string_view standard_token_build_2023 =
    "ea0f6aa5e2b023f230c39cd72498457f40629bb2b161f387a17465b1657b26ed";

// The symbol code on the token's side of the market row; none without a row or a readable code.
std::optional<std::string> market_symbol(const MarketFact& market, std::string_view token);

// The symbol code whose 64-bit value a "stat" scope prints as an account name (leading dots
// kept: XPR prints as "........edc5c"); none unless it is 1 to 7 letters A-Z.
std::optional<std::string> scope_symbol(std::string_view scope);

// From a get_table_by_scope reply of the "stat" table: the distinct symbol codes of its first 10
// scopes, in reply order; none when the reply is not JSON or has no "rows" array.
std::optional<std::vector<std::string>> stat_symbols(JsonReader& reader, std::string_view reply);

struct SupplyRead {
  SupplyFact fact;
  std::optional<Asset> supply;  // set exactly when the fact was read
};

// From a get_currency_stats reply: member `symbol` only, its supply and max_supply read as
// assets of that symbol and one precision. A max_supply of 0 or of the asset maximum (as some
// chains record an uncapped token) is no cap in effect: not capped, no headroom.
SupplyRead supply_read(JsonReader& reader, std::string_view reply, std::string_view symbol);

// From a get_top_holders reply: the first 20 holders with their amounts in the supply's precision
// and their shares, and the top-ten share without escrow accounts. The history index keeps
// amounts as floats: holders that together exceed the supply by more than that rounding (2^-23 of
// each amount and one sub-unit) make the fact unavailable, as the index and the chain disagree;
// within it, shares are held to 10000 basis points. Unavailable also for the 200 {"error":..} of
// a node without the state index, and for an empty list while supply is above 0.
HoldersFact holders_fact(JsonReader& reader, std::string_view reply, const Asset& supply);

// Whether an account's code was ever set: its last_code_update is a time other than the epoch.
bool code_ever_set(const std::optional<std::string>& last_code_update);

// The issuer `name` as the supply's row names it, with `listed`, before its account is read.
IssuerFact named_issuer(std::string_view name, const PriorRugList& prior_rugs);

// From the get_account reply of the account that issues the token: named_issuer, then its
// created time and age at `reference_time`, whether it holds contract code (a last_code_update
// other than the epoch), its owner and active permissions under OWNER_KEYS's rule. Partly read
// (`account_why`) when the reply is not JSON, has no permissions (its created time still counts)
// or no created time that reads as an age.
IssuerFact issuer_fact(JsonReader& reader, std::string_view account_reply, std::string_view name,
                       std::uint64_t reference_time, const PriorRugList& prior_rugs);

// From a history node's get_creator reply: the creating account and when. Unavailable when the
// reply is not JSON, or names no creator that is an account name (a node without the route
// answers {"error":..}).
CreatorFact creator_fact(JsonReader& reader, std::string_view reply,
                         const PriorRugList& prior_rugs);

// From a get_code_hash reply: the hash (64 hexadecimal digits), whether there is code (not all
// zeros) and which published build it is.
CodeFact code_fact(JsonReader& reader, std::string_view reply);

}  // namespace tarnwick

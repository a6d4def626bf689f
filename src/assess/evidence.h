// The record of one scan and the facts behind its verdict, as /evidence shows them. Plain values,
// filled by the chain reading (chain/scan_record.h, chain/token_evidence.h) and written out by
// evidence_json. Each fact carries `why`: empty when the fact was read, otherwise a short reason
// it is unavailable, in which case its other fields are not shown. Texts are held as the chain
// wrote them. The verdict of a scan is computed from its ScanRecord (assess/scan_record.h), so
// what /evidence shows is exactly what the verdict rests on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "assess/reason.h"
#include "assess/token_amounts.h"
#include "assess/verdict.h"

namespace tarnwick {

// The reason of a fact whose reply was not one JSON document.
inline constexpr std::string_view reply_not_json = "reply not JSON";

// A fact that is unavailable for `why`, with nothing else set.
template <class Fact>
Fact unavailable(const Reason& why) {
  Fact fact;
  fact.why = why;
  return fact;
}
template <class Fact>
Fact unavailable(ReasonCode code, std::string_view text) {
  return unavailable<Fact>(reason(code, text));
}

struct PermissionEntry {
  std::string name;
  std::string parent;
  std::uint32_t keys = 0;             // number of keys in the required authority
  std::vector<std::string> accounts;  // "actor@permission"
  bool privileged = false;            // an owner or active permission that sets OWNER_KEYS
};

// A permission through which the contract's code or ABI can be set, and why.
struct CodeSetter {
  PermissionEntry permission;
  std::string via;  // "linked to eosio::setcode", "parent of deploy", ...
};

// Read only when the reply lists its permissions as an array in which every entry, its owner and
// active ones among them, was read whole (account_reply.h says what that takes). Partly read
// (`why` says what is missing) when some owner or active entry was: `entries` then holds only
// those read whole.
struct PermissionsFact {
  Reason why;
  bool partly = false;
  std::string node;  // the API node that answered the read; empty when none did
  // Every "owner" and "active" permission of the reply, in reply order.
  std::vector<PermissionEntry> entries;
  std::vector<CodeSetter> code_setters;
  std::optional<std::string> last_code_update;
  bool owner_keys = false;  // OWNER_KEYS: some owner or active permission is privileged
  bool cut = false;         // the reply held more permissions than are listed
};

struct MarketSide {
  std::string contract;
  std::string symbol;  // the symbol code of its "sym" or "quantity"; empty when neither reads
};

// A market row that names the token, as the measured verdict of one of its symbols reads it.
struct MarketRow {
  std::optional<std::uint64_t> status_code;
  MarketSide bid;
  MarketSide ask;
};

struct MarketFact {
  Reason why;
  std::string node;
  bool read_failed = false;           // no reply arrived (as opposed to a reply that was unusable)
  std::vector<MarketRow> token_rows;  // every row naming the token (the first few), in order
  std::uint64_t rows_read = 0;
  bool more = false;           // the reply's `more` says the table holds rows beyond those read
  bool limit_reached = false;  // as many rows as were asked for, or `more`: not every row read
  bool found = false;          // a row names the token; the fields below are that row's
  std::optional<std::uint64_t> market_id;
  std::string symbol;
  std::optional<std::uint64_t> status_code;
  MarketSide bid;
  MarketSide ask;
};

struct CreationFact {
  Reason why;
  std::string node;
  std::string created;
  std::uint32_t age_days = 0;
  std::uint64_t reference_time = 0;
  // When this read is unavailable, the created time the first account reply carried, for the
  // measured verdict (the verdict of a scan keeps the unknown age); none without one.
  std::optional<std::string> first_reply_created;
  std::optional<std::uint32_t> first_reply_age_days;
};

struct PriorRugFact {
  bool listed = false;
  std::uint64_t list_size = 0;
};

struct ReputationFact {
  Reason why;
  std::string node;
  std::string contract;
  std::optional<RawReputation> avg_score;  // as it stood in the reply; none without a row
  std::optional<std::uint8_t> score;
};

struct SupplyFact {
  Reason why;
  std::string node;
  bool symbols_read = false;         // the contract's symbols were read (whatever the supply)
  std::vector<std::string> symbols;  // the contract's symbols, in the order its table lists them
  bool symbols_more = false;         // the list was cut: the table holds more
  std::string symbol;
  std::uint8_t precision = 0;
  std::string supply;      // as the chain wrote it
  std::string max_supply;  // as the chain wrote it
  std::string issuer;
  bool capped = false;    // a cap in effect: max_supply above zero and below the asset maximum
  bool over_cap = false;  // capped, and the supply is above the cap
  std::optional<Uint128> headroom_bp;
};

struct HolderEntry {
  std::string owner;
  std::string amount;  // with the supply's precision and symbol
  std::optional<Uint128> share_bp;
};

struct HoldersFact {
  Reason why;
  std::string node;
  std::vector<HolderEntry> holders;
  std::optional<Uint128> top_ten_bp;  // none when the supply is 0
  std::uint32_t threshold = 0;
};

// Partly read when some actions' time could not be read (`why` says so): the rate then counts
// only the actions whose time was read.
struct ActivityFact {
  Reason why;
  bool partly = false;
  std::string node;
  std::optional<std::uint32_t> symbol_actions;  // counted for one symbol: its actions read
  std::uint32_t per_hour = 0;
  bool saturated = false;
  std::vector<std::pair<std::string, std::uint32_t>> by_name;  // ascending by name
  std::string newest;  // the newest action's time as written; empty when there is none
  std::uint32_t threshold = 0;
};

struct CodeFact {
  Reason why;
  std::string node;
  std::string hash;
  bool has_code = false;             // the hash is not 64 zeros
  std::optional<std::string> build;  // the published build it equals; none when unrecognised
};

// The account that issues the token (the "stat" row's issuer). Its name, and whether it is on
// the prior-rug list, come from the supply's row; its age and control from its account, so when
// only that read fails (`account_why`), the fact is partly read: name and listing still count.
struct IssuerFact {
  Reason why;          // the fact is unavailable: no issuer is named
  Reason account_why;  // the account's age or control is unread; empty when read
  std::string node;
  std::string name;
  bool is_contract = false;  // the contract issues its own token: the facts are the contract's
  std::string created;
  std::optional<std::uint32_t> age_days;  // none when the created time does not read as an age
  bool has_code = false;                  // its last_code_update is not the epoch
  std::vector<PermissionEntry> control;   // its owner and active permissions
  bool privileged = false;                // under OWNER_KEYS's rule (shown, never a bit)
  bool listed = false;                    // on the prior-rug list
};

// Whether the token's symbol is another's: the known token (the network's own) with this symbol or
// a lookalike of it, this contract's row in the network's token registry, and, for information
// only, the other contracts the market rows read name with the same symbol. Unavailable without a
// chosen symbol; partly read (`registry` none, `why` saying so) when the registry read failed,
// never taken for "not registered".
struct KnownSymbol {
  std::string contract;
  std::string symbol;
  bool is_this = false;  // this contract is that token's
};
struct RegistryListing {
  bool listed = false;  // the registry holds a row of this contract with the symbol
  std::string name;     // its `tname`; empty when not listed
  bool blisted = false;
};
struct SymbolElsewhereFact {
  Reason why;
  bool partly = false;
  std::string node;  // the node that answered the registry read
  std::string symbol;
  std::optional<KnownSymbol> known;
  bool borrows = false;  // `known` is another contract's
  std::optional<RegistryListing> registry;
  // The other contracts the market rows name with the symbol, in market order; none when the
  // market's rows were not read.
  std::optional<std::vector<std::string>> market_contracts;
};

// The account that created the token's contract account, from the history node.
struct CreatorFact {
  Reason why;
  std::string node;
  std::string account;
  std::string created;  // when, as the history node writes it
  bool listed = false;
};

// What the five replies of one scan say, each reply read once. The verdict of /scan and /oracle
// is computed from this record alone (scan_outcome), and /evidence shows it.
struct ScanRecord {
  PermissionsFact permissions;                  // the first get_account
  std::optional<std::int64_t> head_block_time;  // from the same reply; Unix seconds
  MarketFact market;                            // the exchange's market table
  CreationFact creation;                        // the second get_account
  ActivityFact activity;      // the recent actions; no fact of the verdict rests on them
  PriorRugFact prior_rug;     // the local list
  ReputationFact reputation;  // the bot-reputation row
};

// Whom the measured verdict judges: the contract, or, for one token of a contract that holds
// several, the token's issuer (the contract's code still counts: it controls all its tokens), or
// both when the contract's symbols could not be read (its bits are those of either reading).
enum class Subject { contract, issuer, both };

struct TokenEvidence {
  Verdict verdict;   // the verdict of `scan`: exactly the one /scan gives for the same replies
  Verdict measured;  // recomputed with the measures taken
  bool holders_measured = false;
  bool activity_measured = false;
  std::optional<std::string> symbol;  // the symbol the facts are about; none when not chosen
  // The contract holds several symbols (or more than read); none when its symbols were not read.
  std::optional<bool> shared = false;
  std::string shared_counted_as;  // how an unknown `shared` was taken; empty when known
  Subject subject = Subject::contract;
  ScanRecord scan;
  SupplyFact supply;
  HoldersFact holders;
  CodeFact code;
  IssuerFact issuer;
  CreatorFact creator;
  SymbolElsewhereFact symbol_elsewhere;
};

}  // namespace tarnwick

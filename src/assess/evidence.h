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
#include <utility>
#include <vector>

#include "assess/token_amounts.h"
#include "assess/verdict.h"

namespace tarnwick {

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

struct PermissionsFact {
  std::string why;
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

struct MarketFact {
  std::string why;
  std::string node;
  bool read_failed = false;  // no reply arrived (as opposed to a reply that was unusable)
  std::uint64_t rows_read = 0;
  bool limit_reached = false;  // the reply held as many rows as were asked for
  bool found = false;          // a row names the token; the fields below are that row's
  std::optional<std::uint64_t> market_id;
  std::string symbol;
  std::optional<std::uint64_t> status_code;
  MarketSide bid;
  MarketSide ask;
};

struct CreationFact {
  std::string why;
  std::string node;
  std::string created;
  std::uint32_t age_days = 0;
  std::uint64_t reference_time = 0;
};

struct PriorRugFact {
  bool listed = false;
  std::uint64_t list_size = 0;
};

struct ReputationFact {
  std::string why;
  std::string node;
  std::string contract;
  std::optional<RawReputation> avg_score;  // as it stood in the reply; none without a row
  std::optional<std::uint8_t> score;
};

struct SupplyFact {
  std::string why;
  std::string node;
  std::vector<std::string> symbols;  // when unavailable because the contract holds several
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
  std::string why;
  std::string node;
  std::vector<HolderEntry> holders;
  std::optional<Uint128> top_ten_bp;  // none when the supply is 0
  std::uint32_t threshold = 0;
};

struct ActivityFact {
  std::string why;
  std::string node;
  std::uint32_t per_hour = 0;
  bool saturated = false;
  std::vector<std::pair<std::string, std::uint32_t>> by_name;  // ascending by name
  std::string newest;  // the newest action's time as written; empty when there is none
  std::uint32_t threshold = 0;
};

struct CodeFact {
  std::string why;
  std::string node;
  std::string hash;
  bool has_code = false;             // the hash is not 64 zeros
  std::optional<std::string> build;  // the published build it equals; none when unrecognised
};

// What the five replies of one scan say, each reply read once. The verdict of /scan and /oracle
// is computed from this record alone (scan_outcome), and /evidence shows it.
struct ScanRecord {
  PermissionsFact permissions;  // the first get_account
  MarketFact market;            // the exchange's market table
  CreationFact creation;        // the second get_account
  ActivityFact activity;        // the recent actions; no fact of the verdict rests on them
  PriorRugFact prior_rug;       // the local list
  ReputationFact reputation;    // the bot-reputation row
};

struct TokenEvidence {
  Verdict verdict;   // the verdict of `scan`: exactly the one /scan gives for the same replies
  Verdict measured;  // recomputed with the measures taken
  bool holders_measured = false;
  bool activity_measured = false;
  ScanRecord scan;
  SupplyFact supply;
  HoldersFact holders;
  CodeFact code;
};

}  // namespace tarnwick

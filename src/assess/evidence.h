// TokenEvidence: the facts behind one verdict, as /evidence shows them. Plain values, filled by
// the chain reading (chain/token_evidence.h) and written out by evidence_json. Each fact carries
// `why`: empty when the fact was read, otherwise a short reason it is unavailable, in which case
// its other fields are not shown. Texts are held as the chain wrote them.
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
  std::string name;                   // "owner" or "active"
  std::uint32_t keys = 0;             // number of keys in the required authority
  std::vector<std::string> accounts;  // "actor@permission"
  bool privileged = false;            // makes the owner privileged under OWNER_KEYS's rule
};

struct PermissionsFact {
  std::string why;
  std::vector<PermissionEntry> entries;
  std::optional<std::string> last_code_update;
};

struct MarketSide {
  std::string contract;
  std::string symbol;  // the symbol code of its "sym" or "quantity"; empty when neither reads
};

struct MarketFact {
  std::string why;
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
  std::string created;
  std::optional<std::uint32_t> age_days;  // none when the text does not read as a time
  std::uint64_t reference_time = 0;
};

struct PriorRugFact {
  bool listed = false;
  std::uint64_t list_size = 0;
};

struct ReputationFact {
  std::string why;
  std::string contract;
  std::optional<RawReputation> avg_score;  // as it stood in the reply; none when absent
  std::optional<std::uint8_t> score;
};

struct SupplyFact {
  std::string why;
  std::vector<std::string> symbols;  // when unavailable because the contract holds several
  std::string symbol;
  std::uint8_t precision = 0;
  std::string supply;      // as the chain wrote it
  std::string max_supply;  // as the chain wrote it
  std::string issuer;
  bool capped = false;  // max_supply above zero
  std::optional<Uint128> headroom_bp;
};

struct HolderEntry {
  std::string owner;
  std::string amount;  // with the supply's precision and symbol
  std::optional<Uint128> share_bp;
};

struct HoldersFact {
  std::string why;
  std::vector<HolderEntry> holders;
  std::optional<Uint128> top_ten_bp;  // none when the supply is 0
  std::uint32_t threshold = 0;
};

struct ActivityFact {
  std::string why;
  std::uint32_t per_hour = 0;
  bool saturated = false;
  std::vector<std::pair<std::string, std::uint32_t>> by_name;  // ascending by name
  std::string newest;  // the newest action's time as written; empty when there is none
  std::uint32_t threshold = 0;
};

struct CodeFact {
  std::string why;
  std::string hash;
  bool has_code = false;             // the hash is not 64 zeros
  std::optional<std::string> build;  // the published build it equals; none when unrecognised
};

struct TokenEvidence {
  Verdict verdict;   // exactly the verdict /scan gives for the same replies
  Verdict measured;  // recomputed with the measures taken
  bool holders_measured = false;
  bool activity_measured = false;
  PermissionsFact permissions;
  MarketFact market;
  CreationFact creation;
  PriorRugFact prior_rug;
  ReputationFact reputation;
  SupplyFact supply;
  HoldersFact holders;
  ActivityFact activity;
  CodeFact code;
};

}  // namespace tarnwick

// gather_evidence: the facts behind the verdict of one token, for /evidence. It makes the five
// reads of a scan (same texts), reads them into the scan's record and weighs that record as
// scan_token does, so its verdict is the one /scan gives for the same replies and its facts are
// the ones that verdict rests on; and at most seven more: the contract's symbols (the scopes of
// its "stat" table), the supply of the chosen symbol (get_currency_stats), its top holders
// (history node), the contract's code hash, the issuer's account (when another account issues
// the token), the contract's creator (history node) and its rows in the network's token registry:
// at most 12 reads in all, a read tried on several nodes counting once. Each read starts as soon
// as every read it needs has ended, four at a time, in four round trips: the account alone; the
// market, the symbols, the account again and the recent actions; the reputation row, the code
// hash and the creator beside the supply, which needs only the market and the symbols; then the
// registry, the holders and the issuer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "assess/evidence.h"
#include "assess/hazards.h"
#include "chain/read_session.h"
#include "chain/scan_context.h"

namespace tarnwick {

class JsonReader;

// The rows of one contract the registry read asks for: a contract may register several symbols.
inline constexpr std::uint32_t registry_rows_per_contract = 10;

// The budget of /evidence: its twelve reads in 30 seconds, its first two rounds never cut by it.
ReadBudget evidence_budget();

// None when the account read fails: then no other read is made. Every later failure leaves only
// its own fact unavailable. The supply and holders reads are skipped when no symbol is chosen,
// the holders read also when the supply is unavailable, the issuer read when the issuer is the
// contract (its facts are the scan's) or unknown. `symbol`: the token of the contract the facts
// are about (see choose_symbol); the reads go over `session`, or over the context's client with
// `reader` reading the replies (see scan_token); the last form asks for no symbol and uses a
// reader of its own. `token` must be a validated account name (checked by an assertion).
std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token,
                                             const std::optional<std::string>& symbol,
                                             ReadSession& session);
std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token,
                                             const std::optional<std::string>& symbol,
                                             JsonReader& reader);
std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token);

}  // namespace tarnwick

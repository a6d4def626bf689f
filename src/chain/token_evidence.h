// gather_evidence: the facts behind the verdict of one token, for /evidence. It makes the five
// reads of a scan (read_scan: same order, same texts), reads them into the scan's record and
// weighs that record as scan_token does, so its verdict is the one /scan gives for the same
// replies and its facts are the ones that verdict rests on; then at most three more reads on the
// same client, in this order: the supply (get_currency_stats; when the market row gives no symbol,
// first the symbols of the "stat" table), the top holders (history node), the code hash.
#pragma once

#include <optional>
#include <string_view>

#include "assess/evidence.h"
#include "assess/hazards.h"
#include "chain/scan_context.h"

namespace tarnwick {

class JsonReader;

// None when the account read fails: then no other read is made. Every later failure leaves only
// its own fact unavailable. The supply and holders reads are skipped when no single symbol is
// known, the holders read also when the supply is unavailable. REQUIRES: `token` is a validated
// account name.
// `reader` reads the replies (see scan_token); the second form uses one of its own.
std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token,
                                             JsonReader& reader);
std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token);

}  // namespace tarnwick

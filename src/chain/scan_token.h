// scan_token: the scan of one token. Reads the chain one request after another over the shared
// client, gathers the facts and weighs them into a verdict.
#pragma once

#include <optional>
#include <string_view>

#include "assess/hazards.h"
#include "assess/verdict.h"
#include "chain/scan_context.h"

namespace tarnwick {

// Reads, strictly in this order: the token's account, the exchange's market table, the account
// again for its creation time, its recent actions (read, never used), then after the prior-rug
// lookup its reputation row. When the first account read fails, returns no data at once and
// makes no other read; otherwise every later failure only sets its fact to the unread value, and
// the verdict returned is always marked unverified. REQUIRES: `token` is a validated account
// name (it goes into the history address verbatim).
std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token);

}  // namespace tarnwick

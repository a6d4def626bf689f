// scan_token: the scan of one token. Reads the chain one request after another over the shared
// client, gathers the facts and weighs them into a verdict. The reads and the weighing are also
// offered apart, so /evidence makes exactly the same reads and reaches exactly the same verdict.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "assess/hazards.h"
#include "assess/verdict.h"
#include "chain/scan_context.h"
#include "common/https_client.h"

namespace tarnwick {

class JsonReader;

// The replies of the five reads of a scan whose account read succeeded.
struct ScanReplies {
  std::string account;  // the first get_account
  ReadOutcome markets;
  ReadOutcome creation;  // the second get_account
  ReadOutcome history;   // the recent actions: no fact of the verdict depends on them
  ReadOutcome reputation;
};

// Reads, strictly in this order: the token's account, the exchange's market table, the account
// again for its creation time, its recent actions, then its reputation row. When the first
// account read fails, returns none at once and makes no other read. REQUIRES: `token` is a
// validated account name (it goes into the history address verbatim).
std::optional<ScanReplies> read_scan(const ScanContext& context, std::string_view token);

// The facts of a scan from its replies and the prior-rug list; every failed read leaves its fact
// at the unread value. The velocity is not measured here: it stays 0.
ScanOutcome scan_outcome(JsonReader& reader, const ScanContext& context, std::string_view token,
                         const ScanReplies& replies);

// read_scan, scan_outcome and the hazard word weighed into a verdict, which is always marked
// unverified; no data when the account read fails.
std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token);

}  // namespace tarnwick

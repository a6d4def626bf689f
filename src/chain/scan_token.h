// scan_token: the scan of one token. Reads the chain one request after another over the shared
// client, reads each reply once into the scan's record, and weighs the record into a verdict.
// The reads, the record and the weighing are also offered apart, so /evidence makes exactly the
// same reads and shows the very record its verdict, and /scan's, is computed from.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "assess/evidence.h"
#include "assess/hazards.h"
#include "assess/verdict.h"
#include "chain/scan_context.h"
#include "common/https_client.h"

namespace tarnwick {

class JsonReader;

// One read of a scan: its outcome and the base of the API node that answered it (empty when the
// read failed).
struct ScanRead {
  ReadOutcome outcome;
  std::string node;
};

// The replies of the five reads of a scan whose account read succeeded.
struct ScanReplies {
  std::string account;  // the first get_account
  std::string account_node;
  ScanRead markets;
  ScanRead creation;  // the second get_account
  ScanRead history;   // the recent actions: no fact of the verdict depends on them
  ScanRead reputation;
};

// Reads, strictly in this order: the token's account, the exchange's market table, the account
// again for its creation time, its recent actions, then its reputation row. When the first
// account read fails, returns none at once and makes no other read. REQUIRES: `token` is a
// validated account name (it goes into the history address verbatim).
std::optional<ScanReplies> read_scan(const ScanContext& context, std::string_view token);

// Whether a record reads the recent actions: /scan's verdict does not rest on them, so a scan
// leaves them unread (its activity fact then says so) and /evidence reads them.
enum class ActivityReading { skip, read };

// The record of a scan: each reply read once into its fact, a failed read recorded as such, the
// prior-rug list consulted.
ScanRecord scan_record(JsonReader& reader, const ScanContext& context, std::string_view token,
                       const ScanReplies& replies, ActivityReading activity);

// The activity fact of the scan's history read, measured up to the record's head block time; of
// one symbol's actions when `symbol` is given.
ActivityFact scan_activity(JsonReader& reader, std::string_view token, const ScanReplies& replies,
                           const ScanRecord& record, std::optional<std::string_view> symbol);

// The verdict of a record, always marked unverified.
Verdict scan_verdict(const ScanRecord& record, const ScanThresholds& thresholds);

// read_scan, scan_record and scan_verdict; no data when the account read fails. `reader` reads
// the replies; the serving loop keeps one from request to request, so its buffers are made once.
std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token, JsonReader& reader);
// The same with a reader of its own.
std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token);

}  // namespace tarnwick

// scan_token: the scan of one token. Its plan of reads, strictly one after another over one read
// session: the token's account, the exchange's market table, the account again for its creation
// time, its recent actions, then its reputation row. Each reply is read once into the scan's
// record, and the record is weighed into a verdict. The reads, the record and the weighing are
// also offered apart, so /evidence makes exactly the same reads and shows the very record its
// verdict is computed from; /scan weighs the same outcome, read without keeping the record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "assess/evidence.h"
#include "assess/hazards.h"
#include "assess/verdict.h"
#include "chain/read_session.h"
#include "chain/scan_context.h"

namespace tarnwick {

class JsonReader;

// The budget of a scan: its five reads, each with the client's whole deadline and no bound beside.
ReadBudget scan_budget();

// The readings of the five reads of a scan whose account read succeeded.
struct ScanReplies {
  std::string account;  // the first get_account
  std::string account_node;
  Reading markets;
  Reading creation;  // the second get_account
  Reading history;   // the recent actions: no fact of the verdict depends on them
  Reading reputation;
};

// The five reads, one after another, in order. When the first account read fails, returns none
// at once and makes no other read. `token` must be a validated account name, as it goes into the
// history address verbatim (checked by an assertion).
std::optional<ScanReplies> read_scan(ReadSession& session, const ScanContext& context,
                                     std::string_view token);

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

// What scan_outcome(scan_record(...)) gives, read straight from the replies by the views of
// chain/scan_values.h, which share the facts' rules but keep no fact: no row, text or node is
// copied. /scan, whose answer is the verdict alone, is weighed from it.
ScanOutcome verdict_outcome(JsonReader& reader, const ScanContext& context, std::string_view token,
                            const ScanReplies& replies);

// The verdict of a record, or of its outcome, always marked unverified.
Verdict scan_verdict(const ScanRecord& record, const ScanThresholds& thresholds);
Verdict scan_verdict(const ScanOutcome& outcome, const ScanThresholds& thresholds);

// read_scan, verdict_outcome and scan_verdict over `session`; no data when the account read
// fails.
std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token, ReadSession& session);
// The same on the context's chain client, `reader` reading the replies (the serving loop keeps
// one from request to request, so its buffers are made once), or a reader of its own.
std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token, JsonReader& reader);
std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token);

}  // namespace tarnwick

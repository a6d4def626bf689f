#include "chain/scan_token.h"

#include <cassert>
#include <string>
#include <utility>

#include "assess/hazards.h"
#include "assess/scan_record.h"
#include "chain/account_reply.h"
#include "chain/chain_requests.h"
#include "chain/history_reply.h"
#include "chain/market_reply.h"
#include "chain/reputation_reply.h"
#include "chain/scan_values.h"
#include "common/account_name.h"
#include "common/calendar.h"
#include "common/json_reader.h"

namespace tarnwick {

ReadBudget scan_budget() { return {5, std::nullopt}; }

std::optional<ScanReplies> read_scan(ReadSession& session, const ScanContext& context,
                                     std::string_view token) {
  assert(is_account_name(token));
  Reading account = session.read(account_request(token));
  if (!account.reply) return std::nullopt;
  // One after another: a scan asks one node one thing at a time.
  Reading markets = session.read(table_rows_request(market_rows_body()));
  Reading creation = session.read(account_request(token));
  Reading history = session.read(actions_request(token));
  Reading reputation =
      session.read(table_rows_request(reputation_rows_body(context.reputation_contract, token)));
  return ScanReplies{std::move(*account.reply), std::move(account.node), std::move(markets),
                     std::move(creation),       std::move(history),      std::move(reputation)};
}

ScanRecord scan_record(JsonReader& reader, const ScanContext& context, std::string_view token,
                       const ScanReplies& replies, ActivityReading activity) {
  ScanRecord record;
  AccountRead account = read_account(reader, replies.account);
  record.permissions = std::move(account.permissions);
  record.permissions.node = replies.account_node;
  record.head_block_time = account.head_block_time;

  record.market = fact_of<MarketFact>(
      reader, replies.markets,
      [&](JsonReader& in, const std::string& reply) { return read_market(in, reply, token); });
  record.market.read_failed = !replies.markets.reply.has_value();

  record.creation = fact_of<CreationFact>(reader, replies.creation,
                                          [&](JsonReader& in, const std::string& reply) {
                                            return read_creation(in, reply, context.reference_time);
                                          });
  record.creation.reference_time = context.reference_time;
  if (!record.creation.why.empty() && account.created) {
    // The same account's first reply, read moments earlier, told when it was created.
    if (const std::optional<std::uint32_t> age = age_of(*account.created, context.reference_time)) {
      record.creation.first_reply_created = account.created;
      record.creation.first_reply_age_days = age;
    }
  }

  if (activity == ActivityReading::read) {
    record.activity = scan_activity(reader, token, replies, record, std::nullopt);
  } else {
    record.activity.why = reason(ReasonCode::not_asked, "not read for a scan");
  }

  record.prior_rug = PriorRugFact{.listed = context.prior_rugs.contains(token),
                                  .list_size = context.prior_rugs.names.size()};

  record.reputation = fact_of<ReputationFact>(
      reader, replies.reputation, [&](JsonReader& in, const std::string& reply) {
        return read_reputation(in, reply, context.reputation_contract);
      });
  record.reputation.contract = context.reputation_contract;
  return record;
}

ActivityFact scan_activity(JsonReader& reader, std::string_view token, const ScanReplies& replies,
                           const ScanRecord& record, std::optional<std::string_view> symbol) {
  return fact_of<ActivityFact>(
      reader, replies.history, [&](JsonReader& in, const std::string& reply) {
        return read_activity(in, reply, token, record.head_block_time, symbol);
      });
}

ScanOutcome verdict_outcome(JsonReader& reader, const ScanContext& context, std::string_view token,
                            const ScanReplies& replies) {
  // Each value as scan_outcome takes it from its fact, a failed read included.
  ScanOutcome outcome;
  outcome.owner_privileged = owner_privileged(reader, replies.account);
  outcome.liquidity_depth = replies.markets.reply
                                ? liquidity_depth(reader, *replies.markets.reply, token)
                                : depth_when_market_unread;
  outcome.account_age_days =
      replies.creation.reply
          ? account_age_days(reader, *replies.creation.reply, context.reference_time)
          : unknown_age_days;
  outcome.prior_rug = context.prior_rugs.contains(token);
  if (replies.reputation.reply) {
    outcome.reputation_score = reputation_score(reader, *replies.reputation.reply);
  }
  outcome.promo_velocity = 0;
  return outcome;
}

Verdict scan_verdict(const ScanOutcome& outcome, const ScanThresholds& thresholds) {
  return make_verdict(evaluate_hazards(outcome, thresholds), /*unverified=*/true, thresholds);
}

Verdict scan_verdict(const ScanRecord& record, const ScanThresholds& thresholds) {
  return scan_verdict(scan_outcome(record), thresholds);
}

std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token, ReadSession& session) {
  const std::optional<ScanReplies> replies = read_scan(session, context, token);
  if (!replies) return std::nullopt;
  return scan_verdict(verdict_outcome(session.reader(), context, token, *replies), thresholds);
}

std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token, JsonReader& reader) {
  ReadSession session(context.client, reader, scan_budget());
  return scan_token(thresholds, context, token, session);
}

std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token) {
  // One reader for every reply of the scan, so its buffers are reused rather than made per reply.
  JsonReader reader;
  return scan_token(thresholds, context, token, reader);
}

}  // namespace tarnwick

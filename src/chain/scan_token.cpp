#include "chain/scan_token.h"

#include <string>
#include <utility>
#include <variant>

#include "assess/hazards.h"
#include "assess/scan_record.h"
#include "chain/chain_requests.h"
#include "chain/token_facts.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

constexpr std::string_view read_failed = "read failed";

// One read, with the node in use after it: the node that answered, when one did.
ScanRead recorded(const ChainClient& client, ReadOutcome outcome) {
  const bool answered = std::holds_alternative<std::string>(outcome);
  return ScanRead{std::move(outcome), answered ? client.base_url() : std::string()};
}

// The fact `read` gives from its reply, or the fact of a failed read.
template <class Fact, class Read>
Fact fact_of(const ScanRead& read, Read&& from_reply) {
  const std::string* reply = std::get_if<std::string>(&read.outcome);
  Fact fact;
  if (reply == nullptr) {
    fact.why = std::string(read_failed);
    return fact;
  }
  fact = from_reply(*reply);
  fact.node = read.node;
  return fact;
}

}  // namespace

std::optional<ScanReplies> read_scan(const ScanContext& context, std::string_view token) {
  const ChainClient& client = context.client;
  const std::string account_url = get_account_url(client.base_url());
  const std::string rows_url = get_table_rows_url(client.base_url());
  const std::string account_request = account_body(token);

  ReadOutcome account = client.post_json(account_url, account_request);
  std::string* account_reply = std::get_if<std::string>(&account);
  if (account_reply == nullptr) return std::nullopt;
  std::string account_node = client.base_url();
  ScanRead markets = recorded(client, client.post_json(rows_url, market_rows_body()));
  ScanRead creation = recorded(client, client.post_json(account_url, account_request));
  ScanRead history = recorded(client, client.get_text(get_actions_url(client.base_url(), token)));
  ScanRead reputation = recorded(
      client, client.post_json(rows_url, reputation_rows_body(context.reputation_contract, token)));
  return ScanReplies{std::move(*account_reply), std::move(account_node), std::move(markets),
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
      replies.markets, [&](const std::string& reply) { return read_market(reader, reply, token); });
  record.market.read_failed = !std::holds_alternative<std::string>(replies.markets.outcome);

  record.creation = fact_of<CreationFact>(replies.creation, [&](const std::string& reply) {
    return read_creation(reader, reply, context.reference_time);
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
    record.activity.why = "not read for a scan";
  }

  record.prior_rug = PriorRugFact{.listed = context.prior_rugs.contains(token),
                                  .list_size = context.prior_rugs.names.size()};

  record.reputation = fact_of<ReputationFact>(replies.reputation, [&](const std::string& reply) {
    return read_reputation(reader, reply, context.reputation_contract);
  });
  record.reputation.contract = context.reputation_contract;
  return record;
}

ActivityFact scan_activity(JsonReader& reader, std::string_view token, const ScanReplies& replies,
                           const ScanRecord& record, std::optional<std::string_view> symbol) {
  return fact_of<ActivityFact>(replies.history, [&](const std::string& reply) {
    return read_activity(reader, reply, token, record.head_block_time, symbol);
  });
}

Verdict scan_verdict(const ScanRecord& record, const ScanThresholds& thresholds) {
  return make_verdict(evaluate_hazards(scan_outcome(record), thresholds), /*unverified=*/true,
                      thresholds);
}

std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token, JsonReader& reader) {
  const std::optional<ScanReplies> replies = read_scan(context, token);
  if (!replies) return std::nullopt;
  return scan_verdict(scan_record(reader, context, token, *replies, ActivityReading::skip),
                      thresholds);
}

std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token) {
  // One reader for every reply of the scan, so its buffers are reused rather than made per reply.
  JsonReader reader;
  return scan_token(thresholds, context, token, reader);
}

}  // namespace tarnwick

#include "chain/token_evidence.h"

#include <string>
#include <variant>

#include "assess/evidence_measures.h"
#include "chain/chain_requests.h"
#include "chain/evidence_replies.h"
#include "chain/scan_token.h"
#include "chain/token_facts.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

constexpr std::string_view read_failed = "read failed";

// The reply of a read, or none; `why` is set when the read failed.
const std::string* reply_of(const ReadOutcome& outcome, std::string& why) {
  const std::string* reply = std::get_if<std::string>(&outcome);
  if (reply == nullptr) why = read_failed;
  return reply;
}

CreationFact creation_fact(JsonReader& reader, const ReadOutcome& creation,
                           std::uint64_t reference_time) {
  CreationFact fact;
  fact.reference_time = reference_time;
  const std::string* reply = reply_of(creation, fact.why);
  if (reply == nullptr) return fact;
  const std::optional<std::string_view> created = created_text(reader, *reply);
  if (!created) {
    fact.why = "reply without a created time";
    return fact;
  }
  fact.created = std::string(*created);
  const std::optional<std::int64_t> seconds = created_seconds(fact.created);
  const std::uint32_t age = seconds ? age_in_days(*seconds, reference_time) : unknown_age_days;
  if (age != unknown_age_days) fact.age_days = age;
  return fact;
}

ReputationFact reputation_fact(JsonReader& reader, const ReadOutcome& reputation,
                               std::string_view contract) {
  ReputationFact fact;
  fact.contract = std::string(contract);
  const std::string* reply = reply_of(reputation, fact.why);
  if (reply == nullptr) return fact;
  fact.avg_score = reputation_value(reader, *reply);
  if (fact.avg_score) fact.score = scale_reputation(*fact.avg_score);
  return fact;
}

// The one symbol whose supply and holders are read: from the market row, else from the "stat"
// table (one more read). None, with the supply's reason set, when there is not exactly one.
std::optional<std::string> token_symbol(JsonReader& reader, const ChainClient& client,
                                        std::string_view token, const MarketFact& market,
                                        SupplyFact& supply) {
  if (std::optional<std::string> symbol = market_symbol(market, token)) return symbol;
  const ReadOutcome scopes =
      client.post_json(get_table_by_scope_url(client.base_url()), stat_scopes_body(token));
  const std::string* reply = reply_of(scopes, supply.why);
  if (reply == nullptr) return std::nullopt;
  std::optional<std::vector<std::string>> symbols = stat_symbols(reader, *reply);
  if (!symbols) {
    supply.why = "reply without rows";
  } else if (symbols->empty()) {
    supply.why = "the contract holds no token symbol";
  } else if (symbols->size() > 1) {
    supply.why = "the contract holds several token symbols";
    supply.symbols = std::move(*symbols);
  } else {
    return std::move(symbols->front());
  }
  return std::nullopt;
}

}  // namespace

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token) {
  const std::optional<ScanReplies> replies = read_scan(context, token);
  if (!replies) return std::nullopt;
  JsonReader reader;
  const ScanOutcome outcome = scan_outcome(reader, context, token, *replies);
  TokenEvidence evidence;
  evidence.verdict =
      make_verdict(evaluate_hazards(outcome, thresholds), /*unverified=*/true, thresholds);

  const AccountDetails account = account_details(reader, replies->account);
  evidence.permissions = account.permissions;
  if (const std::string* markets = reply_of(replies->markets, evidence.market.why)) {
    evidence.market = market_fact(reader, *markets, token);
  }
  evidence.creation = creation_fact(reader, replies->creation, context.reference_time);
  evidence.prior_rug =
      PriorRugFact{.listed = outcome.prior_rug, .list_size = context.prior_rugs.names.size()};
  evidence.reputation = reputation_fact(reader, replies->reputation, context.reputation_contract);
  if (const std::string* history = reply_of(replies->history, evidence.activity.why)) {
    evidence.activity = activity_fact(reader, *history, token, account.head_block_time);
  }
  evidence.activity.threshold = thresholds.max_velocity;

  const ChainClient& client = context.client;
  const std::optional<std::string> symbol =
      token_symbol(reader, client, token, evidence.market, evidence.supply);
  std::optional<Asset> supply;
  if (symbol) {
    const ReadOutcome stats = client.post_json(get_currency_stats_url(client.base_url()),
                                               currency_stats_body(token, *symbol));
    if (const std::string* reply = reply_of(stats, evidence.supply.why)) {
      SupplyRead read = supply_read(reader, *reply, *symbol);
      evidence.supply = std::move(read.fact);
      supply = std::move(read.supply);
    }
  }
  if (supply) {
    const ReadOutcome holders = client.get_text(top_holders_url(client.base_url(), token, *symbol));
    if (const std::string* reply = reply_of(holders, evidence.holders.why)) {
      evidence.holders = holders_fact(reader, *reply, *supply);
    }
  } else {
    evidence.holders.why = "supply unavailable";
  }
  evidence.holders.threshold = thresholds.max_holder_share;
  const ReadOutcome code =
      client.post_json(get_code_hash_url(client.base_url()), account_body(token));
  if (const std::string* reply = reply_of(code, evidence.code.why)) {
    evidence.code = code_fact(reader, *reply);
  }

  evidence.holders_measured = evidence.holders.why.empty() && evidence.holders.top_ten_bp;
  evidence.activity_measured = evidence.activity.why.empty();
  const std::optional<std::uint32_t> per_hour =
      evidence.activity_measured ? std::optional(evidence.activity.per_hour) : std::nullopt;
  evidence.measured = make_measured_verdict(
      measured_hazards(outcome, per_hour, evidence.holders.top_ten_bp, thresholds),
      /*unverified=*/true, thresholds);
  return evidence;
}

}  // namespace tarnwick

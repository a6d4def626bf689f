#include "chain/scan_token.h"

#include <string>
#include <utility>
#include <variant>

#include "assess/hazards.h"
#include "chain/chain_requests.h"
#include "chain/token_facts.h"
#include "common/json_reader.h"

namespace tarnwick {

std::optional<ScanReplies> read_scan(const ScanContext& context, std::string_view token) {
  const ChainClient& client = context.client;
  const std::string account_url = get_account_url(client.base_url());
  const std::string rows_url = get_table_rows_url(client.base_url());
  const std::string account_request = account_body(token);

  ReadOutcome account = client.post_json(account_url, account_request);
  std::string* account_reply = std::get_if<std::string>(&account);
  if (account_reply == nullptr) return std::nullopt;
  ReadOutcome markets = client.post_json(rows_url, market_rows_body());
  ReadOutcome creation = client.post_json(account_url, account_request);
  ReadOutcome history = client.get_text(get_actions_url(client.base_url(), token));
  ReadOutcome reputation =
      client.post_json(rows_url, reputation_rows_body(context.reputation_contract, token));
  return ScanReplies{std::move(*account_reply), std::move(markets), std::move(creation),
                     std::move(history), std::move(reputation)};
}

ScanOutcome scan_outcome(JsonReader& reader, const ScanContext& context, std::string_view token,
                         const ScanReplies& replies) {
  ScanOutcome outcome;
  outcome.owner_privileged = owner_privileged(reader, replies.account);

  const std::string* markets_reply = std::get_if<std::string>(&replies.markets);
  outcome.liquidity_depth = markets_reply == nullptr
                                ? depth_when_market_unread
                                : liquidity_depth(reader, *markets_reply, token);

  const std::string* creation_reply = std::get_if<std::string>(&replies.creation);
  outcome.account_age_days =
      creation_reply == nullptr ? unknown_age_days
                                : account_age_days(reader, *creation_reply, context.reference_time);

  outcome.prior_rug = context.prior_rugs.contains(token);

  const std::string* reputation_reply = std::get_if<std::string>(&replies.reputation);
  if (reputation_reply != nullptr) {
    outcome.reputation_score = reputation_score(reader, *reputation_reply);
  }

  outcome.promo_velocity = 0;
  return outcome;
}

std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token) {
  const std::optional<ScanReplies> replies = read_scan(context, token);
  if (!replies) return std::nullopt;
  // One reader for every reply of the scan, so its buffers are reused rather than made per reply.
  JsonReader reader;
  const ScanOutcome outcome = scan_outcome(reader, context, token, *replies);
  return make_verdict(evaluate_hazards(outcome, thresholds), /*unverified=*/true, thresholds);
}

}  // namespace tarnwick

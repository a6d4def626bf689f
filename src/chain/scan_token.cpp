#include "chain/scan_token.h"

#include <string>
#include <variant>

#include "assess/hazards.h"
#include "chain/chain_requests.h"
#include "chain/token_facts.h"
#include "common/json_reader.h"

namespace tarnwick {

std::optional<Verdict> scan_token(const ScanThresholds& thresholds, const ScanContext& context,
                                  std::string_view token) {
  const ChainClient& client = context.client;
  const std::string account_url = get_account_url(client.base_url());
  const std::string rows_url = get_table_rows_url(client.base_url());
  const std::string account_request = account_body(token);

  const ReadOutcome account = client.post_json(account_url, account_request);
  const std::string* account_reply = std::get_if<std::string>(&account);
  if (account_reply == nullptr) return std::nullopt;

  // One reader for every reply of the scan, so its buffers are reused rather than made per reply.
  JsonReader reader;
  ScanOutcome outcome;
  outcome.owner_privileged = owner_privileged(reader, *account_reply);

  const ReadOutcome markets = client.post_json(rows_url, market_rows_body());
  const std::string* markets_reply = std::get_if<std::string>(&markets);
  outcome.liquidity_depth = markets_reply == nullptr
                                ? depth_when_market_unread
                                : liquidity_depth(reader, *markets_reply, token);

  const ReadOutcome creation = client.post_json(account_url, account_request);
  const std::string* creation_reply = std::get_if<std::string>(&creation);
  outcome.account_age_days =
      creation_reply == nullptr ? unknown_age_days
                                : account_age_days(reader, *creation_reply, context.reference_time);

  // The recent actions are read as part of every scan, but no fact depends on them.
  static_cast<void>(client.get_text(get_actions_url(client.base_url(), token)));

  outcome.prior_rug = context.prior_rugs.contains(token);

  const ReadOutcome reputation =
      client.post_json(rows_url, reputation_rows_body(context.reputation_contract, token));
  const std::string* reputation_reply = std::get_if<std::string>(&reputation);
  if (reputation_reply != nullptr) {
    outcome.reputation_score = reputation_score(reader, *reputation_reply);
  }

  outcome.promo_velocity = 0;
  return make_verdict(evaluate_hazards(outcome, thresholds), /*unverified=*/true, thresholds);
}

}  // namespace tarnwick

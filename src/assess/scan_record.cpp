#include "assess/scan_record.h"

namespace tarnwick {

ScanOutcome scan_outcome(const ScanRecord& record) {
  ScanOutcome outcome;
  outcome.owner_privileged = record.permissions.owner_keys;

  outcome.liquidity_depth = market_depth(record.market);

  outcome.account_age_days =
      record.creation.why.empty() ? record.creation.age_days : unknown_age_days;
  outcome.prior_rug = record.prior_rug.listed;
  if (record.reputation.why.empty()) outcome.reputation_score = record.reputation.score;
  outcome.promo_velocity = 0;
  return outcome;
}

std::uint16_t market_depth(const MarketFact& market) {
  if (market.read_failed) return full_liquidity_depth;
  if (!market.why.empty() || !market.found) return 0;
  return market.status_code == 1U ? full_liquidity_depth : 0;
}

HazardBits verdict_bits_of(FactName fact) {
  switch (fact) {
    case FactName::market: return LIQUIDITY_THIN;
    case FactName::permissions: return OWNER_KEYS;
    case FactName::creation: return DEPLOYER_FRESH;
    case FactName::prior_rug: return DEPLOYER_PRIOR_RUG;
    case FactName::reputation: return REPUTATION_LOW | REPUTATION_UNREAD;
    case FactName::supply:
    case FactName::holders:
    case FactName::activity:
    case FactName::code: return 0;
  }
  return 0;
}

HazardBits measured_bits_of(FactName fact) {
  if (fact == FactName::holders) return HOLDERS_CONCENTRATED;
  if (fact == FactName::activity) return VELOCITY_ABNORMAL;
  return verdict_bits_of(fact);
}

std::string_view counted_as(FactName fact, bool market_read_failed) {
  switch (fact) {
    case FactName::market:
      return market_read_failed ? "a market that is not thin: bit 0 not set"
                                : "no usable market: liquidity thin, bit 0 set";
    case FactName::permissions: return "no privileged key: bit 3 not set";
    case FactName::creation: return "an unknown age, never fresh: bit 4 not set";
    case FactName::prior_rug: return "not listed: bit 5 not set";
    case FactName::reputation: return "no score: bit 7 set (reputation not available)";
    case FactName::holders: return "not measured: bit 1 of the measured verdict not set";
    case FactName::activity: return "not measured: bit 2 of the measured verdict not set";
    case FactName::supply:
    case FactName::code: return "nothing: no condition rests on it";
  }
  return {};
}

std::string_view market_counted_as(const MarketFact& market) {
  return counted_as(FactName::market, market.read_failed);
}

}  // namespace tarnwick

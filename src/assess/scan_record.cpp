#include "assess/scan_record.h"

#include "assess/evidence_measures.h"

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
    case FactName::code:
    case FactName::issuer:
    case FactName::creator: return 0;
  }
  return 0;
}

HazardBits measured_bits_of(FactName fact) {
  if (fact == FactName::holders) return HOLDERS_CONCENTRATED;
  if (fact == FactName::activity) return VELOCITY_ABNORMAL;
  return verdict_bits_of(fact);
}

HazardBits measured_bits_in(const TokenEvidence& evidence, FactName fact) {
  if (evidence.subject == Subject::contract) return measured_bits_of(fact);
  const IssuerFact& issuer = evidence.issuer;
  const auto listed = [](bool is_listed) { return is_listed ? DEPLOYER_PRIOR_RUG : HazardBits{0}; };
  switch (fact) {
    case FactName::creation: return issuer.is_contract ? DEPLOYER_FRESH : HazardBits{0};
    case FactName::issuer:
      return static_cast<HazardBits>((issuer.is_contract ? 0U : DEPLOYER_FRESH) |
                                     listed(issuer.why.empty() && issuer.listed));
    case FactName::prior_rug: return listed(evidence.scan.prior_rug.listed);
    case FactName::creator: return listed(evidence.creator.why.empty() && evidence.creator.listed);
    default: return measured_bits_of(fact);
  }
}

namespace {

// The depth of the market row that names the contract with `symbol` on the contract's side: the
// first such row decides, as the first row naming the contract does for the verdict.
std::uint16_t symbol_market_depth(const MarketFact& market, std::string_view token,
                                  std::string_view symbol) {
  if (market.read_failed) return full_liquidity_depth;
  if (!market.why.empty()) return 0;
  for (const MarketRow& row : market.token_rows) {
    const bool names = (row.bid.contract == token && row.bid.symbol == symbol) ||
                       (row.ask.contract == token && row.ask.symbol == symbol);
    if (names) return row.status_code == 1U ? full_liquidity_depth : 0;
  }
  return 0;
}

}  // namespace

HazardBits measured_word(const TokenEvidence& evidence, std::string_view token,
                         const ScanThresholds& thresholds) {
  ScanOutcome outcome = scan_outcome(evidence.scan);
  if (evidence.subject == Subject::issuer && evidence.symbol) {
    const IssuerFact& issuer = evidence.issuer;
    outcome.liquidity_depth = symbol_market_depth(evidence.scan.market, token, *evidence.symbol);
    if (!issuer.is_contract) {
      outcome.account_age_days =
          issuer.why.empty() && issuer.age_days ? *issuer.age_days : unknown_age_days;
    }
    outcome.prior_rug = outcome.prior_rug || (issuer.why.empty() && issuer.listed) ||
                        (evidence.creator.why.empty() && evidence.creator.listed);
  }
  const ActivityFact& activity = evidence.scan.activity;
  const std::optional<std::uint32_t> per_hour =
      activity.why.empty() ? std::optional(activity.per_hour) : std::nullopt;
  const std::optional<Uint128> top_ten =
      evidence.holders.why.empty() ? evidence.holders.top_ten_bp : std::nullopt;
  return measured_hazards(outcome, per_hour, top_ten, thresholds);
}

std::string_view counted_as(FactName fact, bool market_read_failed, Subject subject) {
  const bool issuer_judged = subject == Subject::issuer;
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
    case FactName::issuer:
      return issuer_judged ? "an unknown age, never fresh, and not listed: bits 4 and 5 of the "
                             "measured verdict not set"
                           : "nothing: no condition rests on it";
    case FactName::creator:
      return issuer_judged ? "not listed: bit 5 of the measured verdict not set"
                           : "nothing: no condition rests on it";
    case FactName::supply:
    case FactName::code: return "nothing: no condition rests on it";
  }
  return {};
}

std::string_view market_counted_as(const MarketFact& market) {
  return counted_as(FactName::market, market.read_failed);
}

}  // namespace tarnwick

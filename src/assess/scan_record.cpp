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
    case FactName::creator:
    case FactName::symbol_elsewhere: return 0;
  }
  return 0;
}

HazardBits measured_bits_of(FactName fact) {
  if (fact == FactName::holders) return HOLDERS_CONCENTRATED;
  if (fact == FactName::activity) return VELOCITY_ABNORMAL;
  if (fact == FactName::symbol_elsewhere) return SYMBOL_BORROWED | REGISTRY_BLACKLISTED;
  return verdict_bits_of(fact);
}

HazardBits measured_bits_possible(Subject subject, bool issuer_is_contract, FactName fact) {
  const HazardBits of_contract = measured_bits_of(fact);
  if (subject == Subject::contract) return of_contract;
  HazardBits of_issuer = of_contract;
  switch (fact) {
    case FactName::creation: of_issuer = issuer_is_contract ? DEPLOYER_FRESH : 0; break;
    case FactName::issuer:
      of_issuer =
          static_cast<HazardBits>((issuer_is_contract ? 0U : DEPLOYER_FRESH) | DEPLOYER_PRIOR_RUG);
      break;
    case FactName::creator: of_issuer = DEPLOYER_PRIOR_RUG; break;
    default: break;
  }
  return subject == Subject::issuer ? of_issuer : static_cast<HazardBits>(of_contract | of_issuer);
}

HazardBits measured_bits_in(const TokenEvidence& evidence, FactName fact) {
  HazardBits bits = measured_bits_possible(evidence.subject, evidence.issuer.is_contract, fact);
  // Bit 5 belongs to each listing that holds, not to every fact that could list.
  bool listed = true;
  if (fact == FactName::prior_rug) listed = evidence.scan.prior_rug.listed;
  if (fact == FactName::issuer) listed = evidence.issuer.why.empty() && evidence.issuer.listed;
  if (fact == FactName::creator) listed = evidence.creator.why.empty() && evidence.creator.listed;
  if (!listed) bits = static_cast<HazardBits>(bits & ~DEPLOYER_PRIOR_RUG);
  return bits;
}

namespace {

constexpr FactName all_facts[] = {
    FactName::permissions, FactName::market, FactName::creation, FactName::prior_rug,
    FactName::reputation,  FactName::supply, FactName::holders,  FactName::activity,
    FactName::code,        FactName::issuer, FactName::creator,  FactName::symbol_elsewhere,
};

}  // namespace

std::string_view fact_key(FactName fact) {
  switch (fact) {
    case FactName::permissions: return "permissions";
    case FactName::market: return "market";
    case FactName::creation: return "creation";
    case FactName::prior_rug: return "prior_rug";
    case FactName::reputation: return "reputation";
    case FactName::supply: return "supply";
    case FactName::holders: return "holders";
    case FactName::activity: return "activity";
    case FactName::code: return "code";
    case FactName::issuer: return "issuer";
    case FactName::creator: return "creator";
    case FactName::symbol_elsewhere: return "symbol_elsewhere";
  }
  return {};
}

std::vector<std::string_view> verdict_rests_on() {
  std::vector<std::string_view> names;
  for (const FactName fact : all_facts) {
    if (verdict_bits_of(fact) != 0) names.push_back(fact_key(fact));
  }
  return names;
}

std::vector<std::string_view> measured_rests_on(const TokenEvidence& evidence) {
  std::vector<std::string_view> names;
  for (const FactName fact : all_facts) {
    if (measured_bits_possible(evidence.subject, evidence.issuer.is_contract, fact) != 0) {
      names.push_back(fact_key(fact));
    }
  }
  names.push_back(symbol_list_key);
  return names;
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
  ScanOutcome of_contract = scan_outcome(evidence.scan);
  const CreationFact& creation = evidence.scan.creation;
  if (!creation.why.empty() && creation.first_reply_age_days) {
    of_contract.account_age_days = *creation.first_reply_age_days;
  }
  const ActivityFact& activity = evidence.scan.activity;
  const std::optional<std::uint32_t> per_hour =
      activity.why.empty() || activity.partly ? std::optional(activity.per_hour) : std::nullopt;
  const std::optional<Uint128> top_ten =
      evidence.holders.why.empty() ? evidence.holders.top_ten_bp : std::nullopt;
  // The symbol's facts are the token's whoever is judged.
  const SymbolElsewhereFact& elsewhere = evidence.symbol_elsewhere;
  HazardBits symbol_bits = 0;
  if (elsewhere.why.empty() || elsewhere.partly) {
    if (elsewhere.borrows) symbol_bits |= SYMBOL_BORROWED;
    if (elsewhere.registry && elsewhere.registry->blisted) symbol_bits |= REGISTRY_BLACKLISTED;
  }
  const HazardBits contract_word = static_cast<HazardBits>(
      measured_hazards(of_contract, per_hour, top_ten, thresholds) | symbol_bits);
  if (evidence.subject == Subject::contract || !evidence.symbol) return contract_word;

  ScanOutcome of_issuer = of_contract;
  const IssuerFact& issuer = evidence.issuer;
  of_issuer.liquidity_depth = symbol_market_depth(evidence.scan.market, token, *evidence.symbol);
  if (!issuer.is_contract) {
    of_issuer.account_age_days =
        issuer.why.empty() && issuer.age_days ? *issuer.age_days : unknown_age_days;
  }
  of_issuer.prior_rug = of_issuer.prior_rug || (issuer.why.empty() && issuer.listed) ||
                        (evidence.creator.why.empty() && evidence.creator.listed);
  const HazardBits issuer_word = static_cast<HazardBits>(
      measured_hazards(of_issuer, per_hour, top_ten, thresholds) | symbol_bits);
  if (evidence.subject == Subject::issuer) return issuer_word;
  return static_cast<HazardBits>(contract_word | issuer_word);  // never fewer bits than either
}

std::string_view counted_as(FactName fact, bool market_read_failed, Subject subject) {
  const bool issuer_judged = subject != Subject::contract;
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
    case FactName::symbol_elsewhere:
      return "no borrowed symbol and no blacklisted registry row: bits 8 and 9 of the measured "
             "verdict not set";
    case FactName::supply:
    case FactName::code: return "nothing: no condition rests on it";
  }
  return {};
}

std::string_view market_counted_as(const MarketFact& market) {
  return counted_as(FactName::market, market.read_failed);
}

std::string_view permissions_counted_as(const PermissionsFact& permissions) {
  if (permissions.owner_keys) return "privileged, as a permission read shows: bit 3 set";
  return counted_as(FactName::permissions, false);
}

std::string_view activity_counted_as(const ActivityFact& activity) {
  if (activity.partly) {
    return "outside the hour: bit 2 of the measured verdict counts only the actions whose time "
           "was read";
  }
  return counted_as(FactName::activity, false);
}

std::string_view creation_counted_as(const CreationFact& creation) {
  if (creation.first_reply_age_days) {
    return "an unknown age in the verdict, never fresh: bit 4 not set; the measured verdict "
           "takes the created time of the first account read";
  }
  return counted_as(FactName::creation, false);
}

std::string_view issuer_counted_as(const IssuerFact& issuer, Subject subject) {
  if (!issuer.why.empty()) return counted_as(FactName::issuer, false, subject);
  if (subject == Subject::contract || issuer.is_contract || issuer.age_days) {
    return "nothing: no condition rests on its unread part";
  }
  return "an unknown age, never fresh: bit 4 of the measured verdict not set; listed as its name "
         "says";
}

}  // namespace tarnwick

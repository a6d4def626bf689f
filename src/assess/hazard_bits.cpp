#include "assess/hazard_bits.h"

namespace tarnwick {

HazardBits evaluate_hazards(const ScanOutcome& outcome, const ScanThresholds& thresholds) {
  HazardBits bits = 0;
  if (outcome.liquidity_depth < thresholds.min_liquidity) bits |= LIQUIDITY_THIN;
  if (outcome.promo_velocity > thresholds.max_velocity) bits |= VELOCITY_ABNORMAL;
  if (outcome.owner_privileged) bits |= OWNER_KEYS;
  if (outcome.account_age_days < thresholds.min_age_days) bits |= DEPLOYER_FRESH;
  if (outcome.prior_rug) bits |= DEPLOYER_PRIOR_RUG;
  if (!outcome.reputation_score) {
    bits |= REPUTATION_UNREAD;
  } else if (*outcome.reputation_score <= thresholds.min_reputation) {
    bits |= REPUTATION_LOW;
  }
  return bits;
}

}  // namespace tarnwick

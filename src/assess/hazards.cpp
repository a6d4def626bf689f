#include "assess/hazards.h"

#include <array>
#include <cstddef>

namespace tarnwick {
namespace {

// Indexed by bit number; the one table of reason texts.
constexpr std::array<std::string_view, 7> reason_texts{
    "liquidity thin / not locked (shallow order book)",
    "top holders control a large share",
    "abnormal on-chain promo/tx velocity",
    "contract owner retains privilege keys",
    "deployer is a fresh/throwaway account",
    "deployer has prior rug history",
    "low external bot-reputation score",
};

}  // namespace

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

std::string_view hazard_reason(unsigned bit) {
  return bit < reason_texts.size() ? reason_texts[bit] : std::string_view{};
}

void append_hazard_binary(std::string& out, HazardBits bits) {
  for (unsigned bit = 8; bit-- > 0;) {
    out.push_back(has_bit(bits, bit) ? '1' : '0');
  }
}

}  // namespace tarnwick

// ScanThresholds: the fixed condition and level thresholds of every scan, one read-only instance.
#pragma once

#include <cstdint>

namespace tarnwick {

struct ScanThresholds {
  std::uint32_t max_velocity;   // VELOCITY_ABNORMAL when promo_velocity is greater
  std::uint32_t min_age_days;   // DEPLOYER_FRESH when account_age_days is smaller
  std::uint32_t elevated_at;    // severity at or above: at least ELEVATED_RISK_WARNING
  std::uint32_t critical_at;    // severity at or above: CRITICAL_RUG_CONDITIONS unless unverified
  std::uint16_t min_liquidity;  // LIQUIDITY_THIN when liquidity_depth is smaller
  std::uint16_t max_holder_share;  // holder-share threshold; no condition reads it yet
  std::uint8_t min_reputation;     // REPUTATION_LOW when a present score is this or less
};

inline constexpr ScanThresholds scan_thresholds{
    .max_velocity = 75,
    .min_age_days = 7,
    .elevated_at = 3,
    .critical_at = 6,
    .min_liquidity = 8000,
    .max_holder_share = 2500,
    .min_reputation = 40,
};

}  // namespace tarnwick

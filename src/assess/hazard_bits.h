// HazardBits: one bit per structural rug-pull condition, plus one marking an unread reputation.
#pragma once

#include <cstdint>

#include "assess/scan_outcome.h"
#include "assess/scan_thresholds.h"

namespace tarnwick {

using HazardBits = std::uint16_t;

inline constexpr HazardBits LIQUIDITY_THIN = 1U << 0;
inline constexpr HazardBits HOLDERS_CONCENTRATED = 1U << 1;
inline constexpr HazardBits VELOCITY_ABNORMAL = 1U << 2;
inline constexpr HazardBits OWNER_KEYS = 1U << 3;
inline constexpr HazardBits DEPLOYER_FRESH = 1U << 4;
inline constexpr HazardBits DEPLOYER_PRIOR_RUG = 1U << 5;
inline constexpr HazardBits REPUTATION_LOW = 1U << 6;
inline constexpr HazardBits REPUTATION_UNREAD = 1U << 7;

// True when bit number `bit` (0 to 15) of `bits` is set.
constexpr bool has_bit(HazardBits bits, unsigned bit) {
  return ((static_cast<unsigned>(bits) >> bit) & 1U) != 0;
}

// The hazard word of a scan's facts. Pure and total; bits 1 and 8 to 15 are never set.
HazardBits evaluate_hazards(const ScanOutcome& outcome, const ScanThresholds& thresholds);

}  // namespace tarnwick

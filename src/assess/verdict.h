// Verdict: what one completed scan amounts to: severity, hazard word, level and unverified mark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "assess/hazard_bits.h"
#include "assess/scan_thresholds.h"

namespace tarnwick {

// Fixed indices: the renderings look up their texts by them.
enum class RiskLevel : std::uint8_t {
  NO_RISK_FOUND = 0,
  ELEVATED_RISK_WARNING = 1,
  CRITICAL_RUG_CONDITIONS = 2,
};

struct Verdict {
  std::uint32_t severity = 0;                  // sum of the weights of the set hazard bits, 0 to 12
  HazardBits hazard = 0;                       // the word the severity was weighed from, unchanged
  RiskLevel level = RiskLevel::NO_RISK_FOUND;  // after the unverified cap
  bool unverified = false;                     // some input was not read: treat as incomplete
};

// Weighs `hazard` into a severity and a level. An unverified verdict is held at
// ELEVATED_RISK_WARNING where it would be CRITICAL_RUG_CONDITIONS; severity is not capped.
Verdict make_verdict(HazardBits hazard, bool unverified, const ScanThresholds& thresholds);

// The bot gate: true exactly when the level is CRITICAL_RUG_CONDITIONS.
bool block(const Verdict& verdict);

// The level's index, 0 to 2. A value outside the enumeration counts as the most severe level,
// so a corrupted level can never read as harmless.
std::size_t level_index(RiskLevel level);

// The level's name, rendered verbatim ("NO_RISK_FOUND", ...).
std::string_view level_name(RiskLevel level);

}  // namespace tarnwick

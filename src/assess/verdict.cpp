#include "assess/verdict.h"

#include <array>

namespace tarnwick {

namespace {

// Weight of each hazard bit, by bit number. Bit 1 has no measure and weighs nothing; bit 7 marks
// an unread input rather than a condition; bits 8 to 15 are never set.
constexpr std::array<std::uint32_t, 8> bit_weights{3, 0, 1, 2, 2, 2, 2, 0};

constexpr std::array<std::string_view, 3> level_names{
    "NO_RISK_FOUND",
    "ELEVATED_RISK_WARNING",
    "CRITICAL_RUG_CONDITIONS",
};

}  // namespace

Verdict make_verdict(HazardBits hazard, bool unverified, const ScanThresholds& thresholds) {
  std::uint32_t severity = 0;
  for (unsigned bit = 0; bit < bit_weights.size(); ++bit) {
    if (has_bit(hazard, bit)) severity += bit_weights[bit];
  }
  RiskLevel level = RiskLevel::NO_RISK_FOUND;
  if (severity >= thresholds.critical_at) {
    level = RiskLevel::CRITICAL_RUG_CONDITIONS;
  } else if (severity >= thresholds.elevated_at) {
    level = RiskLevel::ELEVATED_RISK_WARNING;
  }
  if (unverified && level == RiskLevel::CRITICAL_RUG_CONDITIONS) {
    level = RiskLevel::ELEVATED_RISK_WARNING;
  }
  return Verdict{.severity = severity, .hazard = hazard, .level = level, .unverified = unverified};
}

std::size_t level_index(RiskLevel level) {
  const auto index = static_cast<std::size_t>(level);
  return index < level_names.size() ? index : level_names.size() - 1;
}

bool block(const Verdict& verdict) {
  return level_index(verdict.level) == level_index(RiskLevel::CRITICAL_RUG_CONDITIONS);
}

std::string_view level_name(RiskLevel level) { return level_names[level_index(level)]; }

}  // namespace tarnwick

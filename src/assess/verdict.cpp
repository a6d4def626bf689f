#include "assess/verdict.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/text.h"

namespace tarnwick {

namespace {

// Weight of each hazard bit, by bit number. Bit 1 has no measure and weighs nothing; bit 7 marks
// an unread input rather than a condition; bits 8 to 15 are never set.
constexpr std::array<std::uint32_t, 16> bit_weights{3, 0, 1, 2, 2, 2, 2, 0};

// The measured weights: bit 1 weighs 2 once a holder share is measured; a borrowed symbol (bit 8)
// and a blacklisted registry row (bit 9) each weigh enough to warn on their own.
constexpr std::array<std::uint32_t, 16> measured_weights{3, 2, 1, 2, 2, 2, 2, 0, 3, 3};

constexpr std::array<std::string_view, 3> level_names{
    "NO_RISK_FOUND",
    "ELEVATED_RISK_WARNING",
    "CRITICAL_RUG_CONDITIONS",
};

std::optional<double> to_double(const RawReputation& raw) {
  if (const auto* u = std::get_if<std::uint64_t>(&raw)) return static_cast<double>(*u);
  if (const auto* s = std::get_if<std::int64_t>(&raw)) return static_cast<double>(*s);
  if (const auto* d = std::get_if<double>(&raw)) return *d;
  if (const auto* text = std::get_if<std::string>(&raw)) return parse_decimal_double(*text);
  return std::nullopt;
}

Verdict weigh(HazardBits hazard, bool unverified, const ScanThresholds& thresholds,
              const std::array<std::uint32_t, 16>& weights) {
  std::uint32_t severity = 0;
  for (unsigned bit = 0; bit < weights.size(); ++bit) {
    if (has_bit(hazard, bit)) severity += weights[bit];
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

}  // namespace

Verdict make_verdict(HazardBits hazard, bool unverified, const ScanThresholds& thresholds) {
  return weigh(hazard, unverified, thresholds, bit_weights);
}

Verdict make_measured_verdict(HazardBits hazard, bool unverified,
                              const ScanThresholds& thresholds) {
  return weigh(hazard, unverified, thresholds, measured_weights);
}

std::size_t level_index(RiskLevel level) {
  const auto index = static_cast<std::size_t>(level);
  return index < level_names.size() ? index : level_names.size() - 1;
}

bool block(const Verdict& verdict) {
  return level_index(verdict.level) == level_index(RiskLevel::CRITICAL_RUG_CONDITIONS);
}

std::string_view level_name(RiskLevel level) { return level_names[level_index(level)]; }

std::optional<std::uint8_t> scale_reputation(const RawReputation& raw) {
  const auto a = to_double(raw);
  if (!a || *a <= 0.0) return std::nullopt;  // a NaN is not "0 or less": it goes on
  const double x = *a / 100.0;
  const double c = std::isnan(x) ? x : std::clamp(x, 1.0, 5.0);
  const double y = ((c + (-1.0)) * 0.25) * 100.0;
  const double r = std::round(y);
  if (!(r > 0.0)) return std::uint8_t{0};  // NaN and everything at or below 0
  if (r >= 100.0) return std::uint8_t{100};
  return static_cast<std::uint8_t>(r);
}

}  // namespace tarnwick

// Verdict: what one completed scan amounts to: severity, hazard word, level and unverified mark;
// and the external bot-reputation score the reputation condition compares: a raw `avg_score` (a
// rating 1.00 to 5.00 stored as hundreds) mapped onto 0 to 100.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "assess/hazards.h"

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

// The verdict recomputed with measures the scan does not take (/evidence): as make_verdict, but
// HOLDERS_CONCENTRATED weighs 2, what owner keys and a fresh deployer weigh. The same
// unverified cap applies. Never used for /scan or /oracle, whose weights stay fixed.
Verdict make_measured_verdict(HazardBits hazard, bool unverified, const ScanThresholds& thresholds);

// The bot gate: true exactly when the level is CRITICAL_RUG_CONDITIONS.
bool block(const Verdict& verdict);

// The level's index, 0 to 2. A value outside the enumeration counts as the most severe level,
// so a corrupted level can never read as harmless.
std::size_t level_index(RiskLevel level);

// The level's name, rendered verbatim ("NO_RISK_FOUND", ...).
std::string_view level_name(RiskLevel level);

// The raw `avg_score` as the reader found it, with the number kinds kept apart: an unsigned
// integer, a signed integer, a fraction, a text, or any other kind of value (std::monostate).
using RawReputation =
    std::variant<std::uint64_t, std::int64_t, double, std::string, std::monostate>;

// The score 0 to 100, or none when the value is not a number, does not parse, or is 0 or less.
// A NaN is not "0 or less" and yields 0. Never converts a NaN or out-of-range double to integer.
std::optional<std::uint8_t> scale_reputation(const RawReputation& raw);

}  // namespace tarnwick

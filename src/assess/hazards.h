// The hazard conditions: the facts one scan gathers (ScanOutcome), the fixed thresholds every scan
// is held to (ScanThresholds), and the hazard word they give (HazardBits): one bit per structural
// rug-pull condition, plus one marking an unread reputation, with the texts that show it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

inline constexpr std::uint32_t unknown_age_days = 4294967295U;
// The liquidity depth of a token with an active market (and of a market read that failed).
inline constexpr std::uint16_t full_liquidity_depth = 10000;

// Each field's default is the value it holds when its input was not read.
struct ScanOutcome {
  bool owner_privileged = false;                         // owner/active keeps keys or accounts
  std::uint16_t liquidity_depth = full_liquidity_depth;  // 0: no market, or an unusable one
  std::uint32_t promo_velocity = 0;                      // not measured: always 0
  std::uint32_t account_age_days = unknown_age_days;
  bool prior_rug = false;                        // listed in known_rugs.txt
  std::optional<std::uint8_t> reputation_score;  // 0 to 100; absent when not available

  bool operator==(const ScanOutcome&) const = default;
};

struct ScanThresholds {
  std::uint32_t max_velocity;   // VELOCITY_ABNORMAL when promo_velocity is greater
  std::uint32_t min_age_days;   // DEPLOYER_FRESH when account_age_days is smaller
  std::uint32_t elevated_at;    // severity at or above: at least ELEVATED_RISK_WARNING
  std::uint32_t critical_at;    // severity at or above: CRITICAL_RUG_CONDITIONS unless unverified
  std::uint16_t min_liquidity;  // LIQUIDITY_THIN when liquidity_depth is smaller
  std::uint16_t max_holder_share;  // basis points; a measured top-holder share above it is
                                   // HOLDERS_CONCENTRATED (only in the measured verdict)
  std::uint8_t min_reputation;     // REPUTATION_LOW when a present score is this or less
};

// The one read-only instance every scan uses.
inline constexpr ScanThresholds scan_thresholds{
    .max_velocity = 75,
    .min_age_days = 7,
    .elevated_at = 3,
    .critical_at = 6,
    .min_liquidity = 8000,
    .max_holder_share = 2500,
    .min_reputation = 40,
};

using HazardBits = std::uint16_t;

inline constexpr HazardBits LIQUIDITY_THIN = 1U << 0;
inline constexpr HazardBits HOLDERS_CONCENTRATED = 1U << 1;
inline constexpr HazardBits VELOCITY_ABNORMAL = 1U << 2;
inline constexpr HazardBits OWNER_KEYS = 1U << 3;
inline constexpr HazardBits DEPLOYER_FRESH = 1U << 4;
inline constexpr HazardBits DEPLOYER_PRIOR_RUG = 1U << 5;
inline constexpr HazardBits REPUTATION_LOW = 1U << 6;
inline constexpr HazardBits REPUTATION_UNREAD = 1U << 7;
// Only in the measured verdict: the token's symbol, or a lookalike of it, is a known token's and
// this contract is not that token's; the network's token registry marks its row blacklisted.
inline constexpr HazardBits SYMBOL_BORROWED = 1U << 8;
inline constexpr HazardBits REGISTRY_BLACKLISTED = 1U << 9;

// True when bit number `bit` (0 to 15) of `bits` is set.
constexpr bool has_bit(HazardBits bits, unsigned bit) {
  return ((static_cast<unsigned>(bits) >> bit) & 1U) != 0;
}

// The hazard word of a scan's facts. Pure and total; bits 1 and 8 to 15 are never set.
HazardBits evaluate_hazards(const ScanOutcome& outcome, const ScanThresholds& thresholds);

// The reason text of condition bit `bit` (0 to 6); empty for bit 7 and above, which have none.
std::string_view hazard_reason(unsigned bit);

// Appends the low eight bits of `bits` as exactly eight binary digits, bit 7 first.
// Bits 8 to 15 are never set by a scan and are not shown.
void append_hazard_binary(std::string& out, HazardBits bits);

}  // namespace tarnwick

// ScanOutcome: the facts one scan gathers about a token's contract account. Each field's default
// is the value it holds when its input was not read.
#pragma once

#include <cstdint>
#include <optional>

namespace tarnwick {

inline constexpr std::uint32_t unknown_age_days = 4294967295U;

struct ScanOutcome {
  bool owner_privileged = false;          // owner/active authority keeps keys or accounts
  std::uint16_t liquidity_depth = 10000;  // 10000: an active market; 0: none or unusable
  std::uint32_t promo_velocity = 0;       // not measured: always 0
  std::uint32_t account_age_days = unknown_age_days;
  bool prior_rug = false;                        // listed in known_rugs.txt
  std::optional<std::uint8_t> reputation_score;  // 0 to 100; absent when not available
};

}  // namespace tarnwick

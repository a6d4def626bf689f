// The two measures the scan does not take, and the verdict they give: the rate of the token's
// recent actions, and the measured verdict, in which HOLDERS_CONCENTRATED and VELOCITY_ABNORMAL
// fire from those measures where each was taken. The verdict of /scan and /oracle never uses them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "assess/hazards.h"
#include "assess/token_amounts.h"
#include "assess/verdict.h"

namespace tarnwick {

// The window the rate counts: the hour up to the reference time.
inline constexpr std::int64_t activity_window_seconds = 3600;

// One action of a history reply: its time (Unix seconds; none when unreadable) and whether it is
// an action of the token's own contract.
struct ActionTime {
  std::optional<std::int64_t> seconds;
  bool of_token = false;
};

struct ActivityRate {
  std::uint32_t per_hour = 0;  // the token's actions less than an hour before `now`, or later
  bool saturated = false;      // the reply was cut off inside the hour: the rate is at least that
};

// Counts the token's actions later than `now` - 3600 (actions stamped after `now` happened after
// the reference was read, and count). `saturated` when the reply holds `limit` actions or more
// and every one of them lies in the window.
ActivityRate activity_rate(std::span<const ActionTime> actions, std::int64_t now,
                           std::size_t limit);

// The hazard word of `outcome` with the measures that were taken: VELOCITY_ABNORMAL from
// `per_hour` against max_velocity, HOLDERS_CONCENTRATED from `top_ten_bp` against
// max_holder_share. A measure that was not taken (none) never sets its bit.
HazardBits measured_hazards(ScanOutcome outcome, std::optional<std::uint32_t> per_hour,
                            std::optional<Uint128> top_ten_bp, const ScanThresholds& thresholds);

}  // namespace tarnwick

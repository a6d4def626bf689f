#include "assess/evidence_measures.h"

namespace tarnwick {

ActivityRate activity_rate(std::span<const ActionTime> actions, std::int64_t now,
                           std::size_t limit) {
  ActivityRate rate;
  bool all_in_window = true;
  for (const ActionTime& action : actions) {
    const bool in_window = action.seconds && *action.seconds > now - activity_window_seconds;
    all_in_window = all_in_window && in_window;
    if (in_window && action.of_token) ++rate.per_hour;
  }
  rate.saturated = actions.size() >= limit && all_in_window;
  return rate;
}

HazardBits measured_hazards(ScanOutcome outcome, std::optional<std::uint32_t> per_hour,
                            std::optional<Uint128> top_ten_bp, const ScanThresholds& thresholds) {
  outcome.promo_velocity = per_hour.value_or(0);
  HazardBits bits = evaluate_hazards(outcome, thresholds);
  if (top_ten_bp && *top_ten_bp > thresholds.max_holder_share) bits |= HOLDERS_CONCENTRATED;
  return bits;
}

}  // namespace tarnwick

#include "assess/evidence_measures.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnwick {
namespace {

constexpr std::int64_t now = 1'748'779'200;

TEST(ActivityRate, CountsTheTokensActionsOfTheLastHour) {
  const std::vector<ActionTime> actions = {
      {now + 5, true},      // stamped after the reference: counts
      {now - 3599, true},   // inside the hour
      {now - 3599, false},  // another contract's action
      {now - 3600, true},   // an hour old: outside
      {std::nullopt, true},
  };
  const ActivityRate rate = activity_rate(actions, now, 100);
  EXPECT_EQ(rate.per_hour, 2U);
  EXPECT_FALSE(rate.saturated);

  const std::vector<ActionTime> full(100, ActionTime{now - 10, true});
  EXPECT_TRUE(activity_rate(full, now, 100).saturated);
  EXPECT_FALSE(activity_rate(std::span(full).first(99), now, 100).saturated);
}

TEST(MeasuredVerdict, HoldersWeighTwoAndStayBelowCritical) {
  ScanOutcome outcome;
  outcome.reputation_score = 50;
  EXPECT_EQ(measured_hazards(outcome, 75, Uint128{2500}, scan_thresholds), 0);
  EXPECT_EQ(measured_hazards(outcome, 76, Uint128{2501}, scan_thresholds),
            HOLDERS_CONCENTRATED | VELOCITY_ABNORMAL);
  EXPECT_EQ(measured_hazards(outcome, std::nullopt, std::nullopt, scan_thresholds), 0);

  EXPECT_EQ(make_measured_verdict(HOLDERS_CONCENTRATED, true, scan_thresholds).severity, 2U);
  const Verdict high = make_measured_verdict(LIQUIDITY_THIN | HOLDERS_CONCENTRATED | OWNER_KEYS,
                                             true, scan_thresholds);
  EXPECT_EQ(high.severity, 7U);
  EXPECT_EQ(high.level, RiskLevel::ELEVATED_RISK_WARNING);
  EXPECT_EQ(make_verdict(HOLDERS_CONCENTRATED, true, scan_thresholds).severity, 0U)
      << "the scan's weights stay fixed";
}

}  // namespace
}  // namespace tarnwick

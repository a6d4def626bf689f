#include "assess/verdict.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnwick {
namespace {

struct VerdictCase {
  HazardBits hazard;
  bool unverified;
  std::uint32_t severity;
  RiskLevel level;
  bool block;
};

TEST(MakeVerdict, WeightsLevelsAndUnverifiedCap) {
  using enum RiskLevel;
  const std::vector<VerdictCase> cases = {
      {0, true, 0, NO_RISK_FOUND, false},
      {VELOCITY_ABNORMAL, false, 1, NO_RISK_FOUND, false},
      {OWNER_KEYS, false, 2, NO_RISK_FOUND, false},
      {DEPLOYER_FRESH, false, 2, NO_RISK_FOUND, false},
      {HOLDERS_CONCENTRATED, false, 0, NO_RISK_FOUND, false},
      {LIQUIDITY_THIN, false, 3, ELEVATED_RISK_WARNING, false},
      {VELOCITY_ABNORMAL | OWNER_KEYS, false, 3, ELEVATED_RISK_WARNING, false},
      {LIQUIDITY_THIN | DEPLOYER_FRESH, true, 5, ELEVATED_RISK_WARNING, false},
      {OWNER_KEYS | DEPLOYER_FRESH | DEPLOYER_PRIOR_RUG, false, 6, CRITICAL_RUG_CONDITIONS, true},
      {LIQUIDITY_THIN | OWNER_KEYS | DEPLOYER_FRESH, true, 7, ELEVATED_RISK_WARNING, false},
      {LIQUIDITY_THIN | OWNER_KEYS | DEPLOYER_FRESH, false, 7, CRITICAL_RUG_CONDITIONS, true},
      {121, true, 11, ELEVATED_RISK_WARNING, false},
      {121 | VELOCITY_ABNORMAL, false, 12, CRITICAL_RUG_CONDITIONS, true},
      {REPUTATION_UNREAD, true, 0, NO_RISK_FOUND, false},
      {0xFF00, false, 0, NO_RISK_FOUND, false},
  };
  for (const auto& c : cases) {
    const Verdict v = make_verdict(c.hazard, c.unverified, scan_thresholds);
    EXPECT_EQ(v.severity, c.severity) << c.hazard;
    EXPECT_EQ(v.hazard, c.hazard) << c.hazard;
    EXPECT_EQ(v.level, c.level) << c.hazard;
    EXPECT_EQ(v.unverified, c.unverified) << c.hazard;
    EXPECT_EQ(block(v), c.block) << c.hazard;
  }
}

TEST(MakeVerdict, LevelThresholdsComeFromTheRecord) {
  ScanThresholds strict = scan_thresholds;
  strict.elevated_at = 1;
  strict.critical_at = 2;
  EXPECT_EQ(make_verdict(VELOCITY_ABNORMAL, false, strict).level, RiskLevel::ELEVATED_RISK_WARNING);
  EXPECT_EQ(make_verdict(OWNER_KEYS, false, strict).level, RiskLevel::CRITICAL_RUG_CONDITIONS);
}

TEST(RiskLevelNames, IndexedAndOutOfRangeCountsAsMostSevere) {
  EXPECT_EQ(level_name(RiskLevel::NO_RISK_FOUND), "NO_RISK_FOUND");
  EXPECT_EQ(level_name(RiskLevel::ELEVATED_RISK_WARNING), "ELEVATED_RISK_WARNING");
  EXPECT_EQ(level_name(RiskLevel::CRITICAL_RUG_CONDITIONS), "CRITICAL_RUG_CONDITIONS");
  const auto corrupt = static_cast<RiskLevel>(200);
  EXPECT_EQ(level_name(corrupt), "CRITICAL_RUG_CONDITIONS");
  EXPECT_TRUE(block(Verdict{.severity = 0, .hazard = 0, .level = corrupt, .unverified = false}));
}

}  // namespace
}  // namespace tarnwick

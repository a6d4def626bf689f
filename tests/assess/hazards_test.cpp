#include "assess/hazards.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace tarnwick {
namespace {

ScanOutcome benign() {
  ScanOutcome o;
  o.owner_privileged = false;
  o.liquidity_depth = 10000;
  o.promo_velocity = 0;
  o.account_age_days = 7;
  o.prior_rug = false;
  o.reputation_score = 41;
  return o;
}

struct HazardCase {
  const char* name;
  ScanOutcome outcome;
  HazardBits expected;
};

ScanOutcome with(ScanOutcome o, void (*change)(ScanOutcome&)) {
  change(o);
  return o;
}

TEST(EvaluateHazards, EachConditionAtItsBoundary) {
  const std::vector<HazardCase> cases = {
      {"benign", benign(), 0},
      {"score absent", with(benign(), [](ScanOutcome& o) { o.reputation_score.reset(); }), 128},
      {"everything fired",
       with(benign(),
            [](ScanOutcome& o) {
              o.liquidity_depth = 0;
              o.owner_privileged = true;
              o.account_age_days = 0;
              o.prior_rug = true;
              o.reputation_score = 40;
            }),
       121},
      {"everything fired, score absent",
       with(benign(),
            [](ScanOutcome& o) {
              o.liquidity_depth = 0;
              o.owner_privileged = true;
              o.account_age_days = 0;
              o.prior_rug = true;
              o.reputation_score.reset();
            }),
       185},
      {"depth 7999", with(benign(), [](ScanOutcome& o) { o.liquidity_depth = 7999; }), 1},
      {"depth 8000", with(benign(), [](ScanOutcome& o) { o.liquidity_depth = 8000; }), 0},
      {"age 6", with(benign(), [](ScanOutcome& o) { o.account_age_days = 6; }), 16},
      {"age unknown", with(benign(), [](ScanOutcome& o) { o.account_age_days = unknown_age_days; }),
       0},
      {"score 0", with(benign(), [](ScanOutcome& o) { o.reputation_score = 0; }), 64},
      {"score 40", with(benign(), [](ScanOutcome& o) { o.reputation_score = 40; }), 64},
      {"score 100", with(benign(), [](ScanOutcome& o) { o.reputation_score = 100; }), 0},
      {"velocity 75", with(benign(), [](ScanOutcome& o) { o.promo_velocity = 75; }), 0},
      {"velocity 76", with(benign(), [](ScanOutcome& o) { o.promo_velocity = 76; }), 4},
      {"owner keys", with(benign(), [](ScanOutcome& o) { o.owner_privileged = true; }), 8},
      {"prior rug", with(benign(), [](ScanOutcome& o) { o.prior_rug = true; }), 32},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(evaluate_hazards(c.outcome, scan_thresholds), c.expected) << c.name;
  }
}

TEST(EvaluateHazards, UnreadFactsSetOnlyTheReputationBit) {
  // Every field at its not-read value: only the absent score shows in the word.
  EXPECT_EQ(evaluate_hazards(ScanOutcome{}, scan_thresholds), REPUTATION_UNREAD);
}

TEST(EvaluateHazards, NeverSetsBitOneOrHighBitsAndNeverBothReputationBits) {
  const std::vector<std::uint16_t> depths = {0, 7999, 8000, 10000, 65535};
  const std::vector<std::uint32_t> velocities = {0, 75, 76, 4294967295U};
  const std::vector<std::uint32_t> ages = {0, 6, 7, unknown_age_days};
  const std::vector<std::optional<std::uint8_t>> scores = {std::nullopt, 0, 40, 41, 100, 255};
  for (const bool owner : {false, true}) {
    for (const bool rug : {false, true}) {
      for (const auto depth : depths) {
        for (const auto velocity : velocities) {
          for (const auto age : ages) {
            for (const auto& score : scores) {
              const ScanOutcome o{owner, depth, velocity, age, rug, score};
              const HazardBits bits = evaluate_hazards(o, scan_thresholds);
              ASSERT_EQ(bits & 0xFF02U, 0U);
              ASSERT_NE(bits & (REPUTATION_LOW | REPUTATION_UNREAD),
                        REPUTATION_LOW | REPUTATION_UNREAD);
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace tarnwick

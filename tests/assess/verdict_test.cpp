#include "assess/verdict.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
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

using Score = std::optional<std::uint8_t>;

struct NumberCase {
  RawReputation raw;
  Score expected;
};

std::string describe(const RawReputation& raw) {
  if (const auto* u = std::get_if<std::uint64_t>(&raw)) return "u64 " + std::to_string(*u);
  if (const auto* s = std::get_if<std::int64_t>(&raw)) return "i64 " + std::to_string(*s);
  if (const auto* d = std::get_if<double>(&raw)) return "double " + std::to_string(*d);
  if (const auto* t = std::get_if<std::string>(&raw)) return "string \"" + *t + "\"";
  return "other JSON value";
}

TEST(ScaleReputation, Numbers) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  const std::vector<NumberCase> cases = {
      {std::uint64_t{100}, 0},
      {std::uint64_t{150}, 13},
      {std::uint64_t{200}, 25},
      {std::uint64_t{261}, 40},
      {std::uint64_t{262}, 41},
      {std::uint64_t{300}, 50},
      {std::uint64_t{350}, 63},
      {std::uint64_t{500}, 100},
      {std::uint64_t{501}, 100},
      {std::uint64_t{50}, 0},
      {std::uint64_t{1}, 0},
      {std::uint64_t{0}, std::nullopt},
      {std::int64_t{262}, 41},
      {std::int64_t{0}, std::nullopt},
      {std::int64_t{-5}, std::nullopt},
      {std::int64_t{std::numeric_limits<std::int64_t>::min()}, std::nullopt},
      {std::numeric_limits<std::uint64_t>::max(), 100},
      {std::int64_t{std::numeric_limits<std::int64_t>::max()}, 100},
      {261.9, 40},
      {262.0, 41},
      {1e308, 100},
      {inf, 100},
      {-inf, std::nullopt},
      {-0.0, std::nullopt},
      {-1e308, std::nullopt},
      {std::numeric_limits<double>::denorm_min(), 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::monostate{}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(scale_reputation(c.raw), c.expected) << describe(c.raw);
  }
}

TEST(ScaleReputation, Strings) {
  struct StringCase {
    const char* text;
    Score expected;
  };
  const std::vector<StringCase> cases = {
      {"300", 50},
      {"3.5e2", 63},
      {"3.5E+2", 63},
      {"35000e-2", 63},
      {"+300", 50},
      {"-300", std::nullopt},
      {"262", 41},
      {"261", 40},
      {"500.", 100},
      {".5", 0},
      {"5.", 0},
      {"0", std::nullopt},
      {"-0", std::nullopt},
      {"0.0", std::nullopt},
      {"nan", 0},
      {"NaN", 0},
      {"-nan", 0},
      {"inf", 100},
      {"+INF", 100},
      {"Infinity", 100},
      {"iNfInItY", 100},
      {"-inf", std::nullopt},
      {"1e400", 100},
      {"100000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "00000000000000000000000000000000000000000000000000000000000000000000000000",
       100},
      {"1e99999999999999999999999", 100},
      {"1e-400", std::nullopt},  // underflows to 0, which is "0 or less"
      {"0.00000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000001",
       std::nullopt},
      {"1e-310", 0},  // a positive subnormal is above 0
      {" 300", std::nullopt},
      {"300 ", std::nullopt},
      {"0x10", std::nullopt},
      {"0X10", std::nullopt},
      {"NaN(1)", std::nullopt},
      {"nan()", std::nullopt},
      {"1e", std::nullopt},
      {"1e+", std::nullopt},
      {"e5", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {".", std::nullopt},
      {"+.", std::nullopt},
      {".e1", std::nullopt},
      {"++300", std::nullopt},
      {"+-300", std::nullopt},
      {"3,00", std::nullopt},
      {"300abc", std::nullopt},
      {"in", std::nullopt},
      {"infinit", std::nullopt},
      {"infinityx", std::nullopt},
      {"1.2.3", std::nullopt},
      {"1e2.5", std::nullopt},
      {"abc", std::nullopt},
      {"\xe2\x80\x94", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(scale_reputation(RawReputation{std::string(c.text)}), c.expected)
        << "\"" << c.text << "\"";
  }
}

TEST(ScaleReputation, StringWithEmbeddedNulIsRefused) {
  EXPECT_EQ(scale_reputation(RawReputation{std::string("300\0", 4)}), std::nullopt);
}

}  // namespace
}  // namespace tarnwick

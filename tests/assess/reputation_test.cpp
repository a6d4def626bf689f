#include "assess/verdict.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

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

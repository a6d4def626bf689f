#include "service/update_notice.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

TEST(ParseVersion, AcceptsOneToFourPiecesAfterTrimPrefixAndSuffix) {
  const struct {
    std::string text;
    VersionNumber pieces;
  } cases[] = {
      {"0.1.1", {0, 1, 1}},
      {"v0.2.0", {0, 2, 0}},
      {"vvv3", {3}},
      {" \t0.1.1\xE3\x80\x80", {0, 1, 1}},
      {"0.1.1-beta", {0, 1, 1}},
      {"0.1.1+7", {0, 1, 1}},
      {"1.2-rc.1+build", {1, 2}},
      {"1.2.3.4", {1, 2, 3, 4}},
      {"18446744073709551615", {18446744073709551615ULL}},
      {"007.01", {7, 1}},
  };
  for (const auto& c : cases) {
    const auto parsed = parse_version(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(*parsed, c.pieces) << c.text;
  }
}

TEST(ParseVersion, RejectsMalformedText) {
  const std::string bad[] = {
      "",     "v",        "1.2.3.4.5", "1..2", "1.x", "1.",   ".1",
      "V1.0", "1.0a",     " 1 .0",     "-1",   "+1",  "1.-2", "18446744073709551616",
      "1,2",  "\xC2\xB9", "1.2 3",     "0x10",
  };
  for (const auto& text : bad) EXPECT_FALSE(parse_version(text).has_value()) << text;
}

TEST(CompareVersions, PadsTheShorterWithZeros) {
  const struct {
    VersionNumber a;
    VersionNumber b;
    int sign;
  } cases[] = {
      {{0, 1, 1}, {0, 1, 1}, 0},           {{0, 1, 1, 0}, {0, 1, 1}, 0},
      {{0, 1, 1, 1}, {0, 1, 1}, 1},        {{0, 1}, {0, 1, 1}, -1},
      {{0, 2}, {0, 1, 9, 9}, 1},           {{1}, {0, 99}, 1},
      {{18446744073709551615ULL}, {0}, 1},
  };
  for (const auto& c : cases) {
    const int result = compare_versions(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.sign);
    const int reverse = compare_versions(c.b, c.a);
    EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign);
  }
}

}  // namespace
}  // namespace tarnwick

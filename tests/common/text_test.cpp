#include "common/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace tarnwick {
namespace {

struct Utf8Case {
  std::string bytes;
  bool valid;
  std::string lossy;
};

TEST(Utf8Text, ValidationAndLossyConversionAgree) {
  const std::string fffd = "\xEF\xBF\xBD";
  const Utf8Case cases[] = {
      {"", true, ""},
      {"plain ascii", true, "plain ascii"},
      {"\xE2\x80\x94 \xC2\xB7 \xF0\x9F\x9B\xA1", true, "\xE2\x80\x94 \xC2\xB7 \xF0\x9F\x9B\xA1"},
      {std::string("a\0b", 3), true, std::string("a\0b", 3)},
      {"\xFF", false, fffd},
      {"a\x80z", false, "a" + fffd + "z"},
      {"\xC0\xAF", false, fffd + fffd},                        // overlong '/'
      {"\xE0\x80\xAF", false, fffd + fffd + fffd},             // overlong, three bytes
      {"\xED\xA0\x80", false, fffd + fffd + fffd},             // surrogate U+D800
      {"\xF4\x90\x80\x80", false, fffd + fffd + fffd + fffd},  // above U+10FFFF
      {"\xE2\x82", false, fffd},                               // truncated at the end
      {"\xE2\x82"
       "A",
       false, fffd + "A"},  // truncated mid-text
      {"\xF0\x9F\x9B", false, fffd},
      {"\xF4\x8F\xBF\xBF", true, "\xF4\x8F\xBF\xBF"},  // U+10FFFF, the last scalar
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_valid_utf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
    EXPECT_EQ(to_utf8_lossy(c.bytes), c.lossy) << testing::PrintToString(c.bytes);
  }
}

TEST(Utf8Text, TrimsEveryWhiteSpaceCharacterAndNothingElse) {
  EXPECT_EQ(trim_white_space(" \t\r\n\v\f abc \xC2\xA0\xE3\x80\x80"), "abc");
  EXPECT_EQ(trim_white_space("\xC2\x85\xE1\x9A\x80x y\xE2\x80\x8A\xE2\x80\xA8\xE2\x80\xA9"), "x y");
  EXPECT_EQ(trim_white_space("\xE2\x80\xAF\xE2\x81\x9F"
                             "a"),
            "a");
  EXPECT_EQ(trim_white_space("   "), "");
  // Zero-width space (U+200B) and BOM (U+FEFF) are not White_Space.
  EXPECT_EQ(trim_white_space("\xE2\x80\x8B"
                             "a\xEF\xBB\xBF"),
            "\xE2\x80\x8B"
            "a\xEF\xBB\xBF");
  EXPECT_EQ(trim_white_space("a\xC2\xB7"), "a\xC2\xB7");
}

TEST(DecimalText, ParseInt64) {
  EXPECT_EQ(parse_int64("0"), 0);
  EXPECT_EQ(parse_int64("+15"), 15);
  EXPECT_EQ(parse_int64("-15"), -15);
  EXPECT_EQ(parse_int64("0007"), 7);
  EXPECT_EQ(parse_int64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(parse_int64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  for (const char* bad : {"", "+", "-", "9223372036854775808", "-9223372036854775809", " 1", "1 ",
                          "1a", "+-1", "0x10", "1.0", "\xd9\xa1"}) {
    EXPECT_EQ(parse_int64(bad), std::nullopt) << bad;
  }
}

// The kind is part of the value: printing tells unsigned, signed and double apart, and -0.0 from 0.
TEST(DecimalText, ParseJsonNumberKeepsTheKindAndRefusesOtherShapes) {
  using Number = std::optional<JsonNumber>;
  const struct {
    const char* text;
    Number expected;
  } cases[] = {
      {"0", std::uint64_t{0}},
      {"18446744073709551616", 18446744073709551616.0},  // beyond 64 bits: the nearest double
      {"-0", std::int64_t{0}},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"-9223372036854775809", -9223372036854775808.0},
      {"-0.0", -0.0},
      {"2.5E-1", 0.25},
      {"1e-400", 0.0},
      {"1e309", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(testing::PrintToString(parse_json_number(c.text)), testing::PrintToString(c.expected))
        << c.text;
  }
  for (const char* bad : {"", "-", "01", "-01", "+1", "1.", ".5", "1e", "1e+", "- 1", "1 ", "0x1",
                          "inf", "nan", "1.5.5"}) {
    EXPECT_EQ(parse_json_number(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace tarnwick

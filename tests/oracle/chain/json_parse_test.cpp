#include "chain/json_parse.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

TEST(ParseJson, RefusesAnythingButOneWholeDocument) {
  const std::string bad[] = {
      "",
      "{",
      "{} {}",
      "<html></html>",
      std::string("{}\0", 3),
      std::string("{\"a\":1}\0garbage", 15),
      std::string("{\"a\":\"x\0y\"}", 11),
      std::string(100000, '['),
  };
  for (const auto& text : bad) EXPECT_TRUE(parse_json(text).is_discarded()) << text.substr(0, 20);
}

TEST(ParseJson, NestingIsLimitedOutsideStringsOnly) {
  const auto nested = [](std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
  };
  EXPECT_FALSE(parse_json(nested(max_json_depth)).is_discarded());
  EXPECT_TRUE(parse_json(nested(max_json_depth + 1)).is_discarded());
  EXPECT_TRUE(parse_json(nested(200000)).is_discarded());
  // Brackets inside strings, escaped quotes included, do not count.
  const std::string in_strings = R"({"a":"\"[[[[","b":")" + std::string(1000, '{') + R"("})";
  EXPECT_FALSE(parse_json(in_strings).is_discarded());
  const std::string mixed = R"({"rows":[{"x":{"y":[1,2,{"z":"]]]]"}]}}]})";
  EXPECT_FALSE(parse_json(mixed).is_discarded());
}

TEST(ParseJson, KeepsNumberKindsApart) {
  const auto doc = parse_json(R"({"u":1,"s":-1,"f":1.0,"t":"1"} )");
  ASSERT_FALSE(doc.is_discarded());
  EXPECT_TRUE(doc["u"].is_number_unsigned());
  EXPECT_TRUE(doc["s"].is_number_integer() && !doc["s"].is_number_unsigned());
  EXPECT_TRUE(doc["f"].is_number_float());
  EXPECT_TRUE(doc["t"].is_string());
}

}  // namespace
}  // namespace tarnwick

#include "chain/reputation_reply.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chain/scan_values.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

using test::agentscore_json;
using test::rows_json;

TEST(TokenFactsTest, Reputation) {
  struct Case {
    std::string name;
    std::string reply;
    std::optional<std::uint8_t> score;
  };
  const auto row = [](std::string_view avg) { return rows_json({agentscore_json("tok", avg)}); };
  const std::vector<Case> cases = {
      {"350", row("350"), 63},
      {"\"350\" as a string", row("\"350\""), 63},
      {"\"3.5e2\"", row("\"3.5e2\""), 63},
      {"fraction 261.0", row("261.0"), 40},
      {"262", row("262"), 41},
      {"500", row("500"), 100},
      {"huge", row("18446744073709551615"), 100},
      {"negative", row("-5"), std::nullopt},
      {"zero", row("0"), std::nullopt},
      {"null", row("null"), std::nullopt},
      {"boolean", row("true"), std::nullopt},
      {"object", row("{\"v\":350}"), std::nullopt},
      {"not a number text", row("\"high\""), std::nullopt},
      {"no avg_score", R"({"rows":[{"agent":"tok"}]})", std::nullopt},
      {"first row decides, whoever it belongs to",
       rows_json({agentscore_json("zzz", "100"), agentscore_json("tok", "500")}), 0},
      {"no rows", rows_json({}), std::nullopt},
      {"rows not an array", R"({"rows":"350"})", std::nullopt},
      {"row not an object", R"({"rows":[350]})", std::nullopt},
      {"not JSON", "<html></html>", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(reputation_score(c.reply), c.score) << c.name;
}

}  // namespace
}  // namespace tarnwick

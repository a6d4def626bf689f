#include "chain/scan_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assess/hazards.h"

namespace tarnwick {
namespace {

constexpr std::uint64_t created_2024_01_15 = 1705314600;  // 2024-01-15T10:30:00

// Replies of any shape end in the unread or unusable values, never in a crash or an exception.
TEST(TokenFactsTest, HostileRepliesGiveTheUnusableValues) {
  using namespace std::string_literals;
  const std::string deep_array = std::string(100000, '[') + std::string(100000, ']');
  const std::string deep_object = [] {
    std::string s;
    for (int i = 0; i < 50000; ++i) s += R"({"rows":)";
    s += "[]";
    s += std::string(50000, '}');
    return s;
  }();
  const std::vector<std::string> replies = {
      "",
      "null",
      "[]",
      "\"text\"",
      "1e99999",
      "-18446744073709551617",
      R"({"rows":[{"bid_token":{"contract":"tok"},"status_code":1e400}]})",
      "{\"rows\":[],\"created\":\"2024-01-15\0\"}"s,  // NUL byte
      "{\"created\":\"2024-01-15T10:30:00\xff\"}",    // invalid UTF-8
      R"({"created":"2024-01-15T10:30:00","permissions":[{"perm_name":"owner","required_auth":{)",
      R"({"rows":[{"bid_token":"tok","ask_token":["tok"],"status_code":1}]})",
      R"({"permissions":[null,1,"owner",{"perm_name":null,"required_auth":null}]})",
      R"({"rows":[{"avg_score":"nan"}]})",
      R"({"rows":[{"avg_score":"-inf"}]})",
      R"({"rows":[{"avg_score":1e308}]})",
      deep_array,
      deep_object,
      std::string(1 << 20, '{'),
  };
  for (const std::string& reply : replies) {
    const std::string shown = reply.substr(0, 60);
    EXPECT_FALSE(owner_privileged(reply)) << shown;
    EXPECT_EQ(liquidity_depth(reply, "tok"), 0) << shown;
    EXPECT_EQ(account_age_days(reply, created_2024_01_15), unknown_age_days) << shown;
    const std::optional<std::uint8_t> score = reputation_score(reply);
    if (score) {
      EXPECT_LE(*score, 100) << shown;
    }
  }
  // A NaN text is not "0 or less": it scales to 0, like the assessment says.
  EXPECT_EQ(reputation_score(R"({"rows":[{"avg_score":"nan"}]})"), 0);
  EXPECT_EQ(reputation_score(R"({"rows":[{"avg_score":1e308}]})"), 100);
}

}  // namespace
}  // namespace tarnwick

#include "chain/balance_reply.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/json_reader.h"

namespace tarnwick {
namespace {

// A balance is read only from a list of asset texts: anything else is unread, never zero.
TEST(BalanceReply, OnlyAListOfAssetsIsABalance) {
  const struct {
    std::string reply;
    std::optional<std::size_t> assets;  // none: unread
  } cases[] = {
      {"[]", 0},
      {R"(["20.0000 TOK","1.0000 XPR"])", 2},
      {R"(["20.0000 TOK","x"])", std::nullopt},
      {R"([20])", std::nullopt},
      {R"({"rows":[]})", std::nullopt},
      {R"("20.0000 TOK")", std::nullopt},
      {"[", std::nullopt},
  };
  JsonReader reader;
  for (const auto& c : cases) {
    const std::optional<std::vector<Asset>> read = live_balances(reader, c.reply);
    EXPECT_EQ(read ? std::optional<std::size_t>(read->size()) : std::nullopt, c.assets) << c.reply;
  }
}

}  // namespace
}  // namespace tarnwick

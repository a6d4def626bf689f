#include "chain/stat_scopes_reply.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarnwick {
namespace {

TEST(ScopeSymbol, ReversesTheNameEncoding) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {"........edc5c", "XPR"},      {"........dhbp4", "TOK"},        {"......2ic5bog", "LOAN"},
      {".13ogle4ch141", "ABCDEFG"},  {"...........5", "P"},           {"", std::nullopt},
      {"eosio.token", std::nullopt}, {"zzzzzzzzzzzzj", std::nullopt},
  };
  for (const auto& [scope, symbol] : cases) EXPECT_EQ(scope_symbol(scope), symbol) << scope;
}

}  // namespace
}  // namespace tarnwick

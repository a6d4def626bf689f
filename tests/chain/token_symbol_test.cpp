#include "chain/token_symbol.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/json_reader.h"

namespace tarnwick {
namespace {

// Which symbol: the list decides whether a contract is shared; a shared contract is never chosen
// for silently, and a symbol the whole list lacks is not held.
TEST(ChooseSymbol, TheListDecidesSharedAndHeld) {
  struct Case {
    std::string reply;
    std::optional<std::string> requested, market, chosen;
    std::optional<bool> shared;  // none: the list was not read
  };
  const std::string one = R"({"rows":[{"scope":"........dhbp4"}],"more":)";
  const std::string two = R"({"rows":[{"scope":"........dhbp4"},{"scope":"........edc5c"}],)"
                          R"("more":)";
  const std::vector<Case> cases = {
      {one + R"(""})", std::nullopt, std::nullopt, "TOK", false},
      {one + R"(""})", std::nullopt, "XPR", "XPR", false},
      {one + R"("XPR"})", std::nullopt, "TOK", std::nullopt, true},
      {one + "true}", std::nullopt, std::nullopt, std::nullopt, true},
      {one + "false}", "NOPE", std::nullopt, std::nullopt, false},
      {one + "true}", "NOPE", std::nullopt, "NOPE", true},
      {two + "false}", std::nullopt, "TOK", std::nullopt, true},
      {two + "false}", "XPR", std::nullopt, "XPR", true},
      {"<html>", std::nullopt, "TOK", std::nullopt, std::nullopt},
      {"<html>", "TOK", std::nullopt, "TOK", std::nullopt},
      {R"({"rows":null})", std::nullopt, "TOK", std::nullopt, std::nullopt},
      {R"({"rows":{}})", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      // A row that is no symbol's scope leaves the list unread, never a list without it.
      {R"({"rows":[{"scope":"........dhbp4"},{"scope":"eosio.token"}],"more":""})", std::nullopt,
       "TOK", std::nullopt, std::nullopt},
      {R"({"rows":[{"scope":"........dhbp4"},7],"more":""})", "TOK", std::nullopt, "TOK",
       std::nullopt},
  };
  JsonReader reader;
  for (const Case& c : cases) {
    const SymbolChoice choice =
        choose_symbol(c.requested, contract_symbols(reader, c.reply), c.market);
    EXPECT_EQ(choice.symbol, c.chosen) << c.reply;
    EXPECT_EQ(choice.shared, c.shared) << c.reply;
    EXPECT_EQ(choice.symbol.has_value(), choice.why.empty()) << c.reply;
  }
}

}  // namespace
}  // namespace tarnwick

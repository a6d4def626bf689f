#include "assess/known_tokens.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace tarnwick {

void PrintTo(const KnownToken& token, std::ostream* out) {
  *out << token.contract << ' ' << token.symbol;
}

namespace {

using Tokens = std::vector<KnownToken>;

// The pairs a file adds after the built-in list.
Tokens added_by(std::string_view file) {
  Tokens tokens = parse_known_tokens(file).tokens;
  const std::size_t built_in = built_in_known_tokens().size();
  EXPECT_EQ(Tokens(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(built_in)),
            built_in_known_tokens());
  return Tokens(tokens.begin() + static_cast<std::ptrdiff_t>(built_in), tokens.end());
}

TEST(KnownTokens, FileLinesAddPairsAndBadLinesAreSkipped) {
  const struct {
    const char* name;
    std::string file;
    Tokens added;
  } cases[] = {
      {"pairs, remark, blank line, CRLF, no final LF",
       "usd.token USDX # bridged\n\n  \t\r\nbtc.token\tBTC\r\neth.token  ETH",
       {{"usd.token", "USDX"}, {"btc.token", "BTC"}, {"eth.token", "ETH"}}},
      {"byte order mark at the start", "\xEF\xBB\xBFusd.token USDX\n", {{"usd.token", "USDX"}}},
      {"no-break space between", "usd.token\xC2\xA0USDX\n", {{"usd.token", "USDX"}}},
      {"a built-in pair or a repeat is kept once",
       "xtokens XUSDC\nusd.token USDX\nusd.token USDX\n",
       {{"usd.token", "USDX"}}},
      {"bad lines skipped, the next still read",
       "usd.token\nUSDX\nusd.tokenUSDX\nusd.token usdx\nusd.token USDX extra\n"
       "Usd.token USDX\nabcdefghijklm USDX\nusd.token USDCXYZW\nusd.token.\xFF USDX\n"
       "usd.token, USDX\nok.token OK\n",
       {{"ok.token", "OK"}}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(added_by(c.file), c.added) << c.name;
  }
}

TEST(KnownTokens, KnownForFindsTheCodeAndItsLookalikes) {
  const KnownTokens known = parse_known_tokens("usdc.bridge USDC\nfake.x XPR\n");
  const struct {
    const char* symbol;
    Tokens found;
  } cases[] = {
      {"XUSDC", {{"xtokens", "XUSDC"}, {"usdc.bridge", "USDC"}}},
      {"USSDC", {{"xtokens", "XUSDC"}, {"usdc.bridge", "USDC"}}},
      {"XPRR", {{"eosio.token", "XPR"}, {"fake.x", "XPR"}}},
      {"LLOAN", {{"loan.token", "LOAN"}}},
      {"XUSDT", {{"xtokens", "XUSDT"}}},
      {"USD", {}},
      {"", {}},
      {"4,XPR", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(known.known_for(c.symbol), c.found) << c.symbol;
  }
}

}  // namespace
}  // namespace tarnwick

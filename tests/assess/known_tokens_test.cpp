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

TEST(KnownTokens, FileLinesAddPairsAndBadLinesAreSkipped) {
  const struct {
    const char* name;
    std::string file;
    Tokens added;
  } cases[] = {
      {"pairs, byte order mark, remark, blank line, CRLF, no-break space, no final LF",
       "\xEF\xBB\xBFusd.token USDX # bridged\n\n  \t\r\nbtc.token\tBTC\r\neth.token\xC2\xA0"
       "ETH",
       {{"usd.token", "USDX"}, {"btc.token", "BTC"}, {"eth.token", "ETH"}}},
      {"a built-in pair or a repeat is kept once",
       "xtokens XUSDC\nusd.token USDX\nusd.token USDX\n",
       {{"usd.token", "USDX"}}},
      {"bad lines skipped, the next still read",
       "usd.token\nUSDX\nusd.tokenUSDX\nusd.token usdx\nusd.token USDX extra\n"
       "Usd.token USDX\nabcdefghijklm USDX\nusd.token USDCXYZW\nusd.token.\xFF USDX\n"
       "usd.token, USDX\nok.token OK\n",
       {{"ok.token", "OK"}}},
  };
  const Tokens built_in = built_in_known_tokens();
  for (const auto& c : cases) {
    Tokens expected = built_in;
    expected.insert(expected.end(), c.added.begin(), c.added.end());
    EXPECT_EQ(parse_known_tokens(c.file).tokens, expected) << c.name;
  }
}

TEST(KnownTokens, KnownForFindsTheCodeAndItsLookalikesBuiltInFirst) {
  const KnownTokens known = parse_known_tokens("usdc.bridge USDC\nfake.x XPR\n");
  const struct {
    const char* symbol;
    Tokens found;
  } cases[] = {
      {"USSDC", {{"xtokens", "XUSDC"}, {"usdc.bridge", "USDC"}}},
      {"XPRR", {{"eosio.token", "XPR"}, {"fake.x", "XPR"}}},
      {"4,XPR", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(known.known_for(c.symbol), c.found) << c.symbol;
  }
}

}  // namespace
}  // namespace tarnwick

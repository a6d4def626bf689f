#include "assess/token_amounts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

TEST(TokenAmounts, AssetTextsReadAndWriteBack) {
  struct Case {
    std::string text;
    std::optional<std::uint64_t> units;
    std::uint8_t precision;
  };
  const std::vector<Case> cases = {
      {"1000.0000 TOK", 10000000, 4},
      {"0.0005 TOK", 5, 4},
      {"12345 TOK", 12345, 0},
      {"4611686018427387903 TOK", 4611686018427387903U, 0},  // the chain's largest amount
      {"4611686018427387904 TOK", std::nullopt, 0},
      {"46116860184273879.04 TOK", std::nullopt, 0},
      {"-1.0000 TOK", std::nullopt, 0},
      {"1. TOK", std::nullopt, 0},
      {".5 TOK", std::nullopt, 0},
      {"1.0000  TOK", std::nullopt, 0},
      {"1.0000 tok", std::nullopt, 0},
      {"1.0000 TOKENSXX", std::nullopt, 0},
      {"1.0000", std::nullopt, 0},
  };
  for (const Case& c : cases) {
    const std::optional<Asset> asset = parse_asset(c.text);
    ASSERT_EQ(asset.has_value(), c.units.has_value()) << c.text;
    if (!asset) continue;
    EXPECT_EQ(asset->units, *c.units) << c.text;
    EXPECT_EQ(asset->precision, c.precision) << c.text;
    std::string written;
    append_asset(written, asset->units, asset->precision, asset->symbol);
    EXPECT_EQ(written, c.text);
  }
}

TEST(TokenAmounts, JsonAmountsRoundToTheNearestSubUnit) {
  struct Case {
    JsonNumber amount;
    std::uint8_t precision;
    std::optional<std::uint64_t> units;
  };
  const std::vector<Case> cases = {
      {1234.5678, 4, 12345678},  // not exact in binary
      {0.00005, 4, 1},
      {0.00004, 4, 0},
      {std::uint64_t{700}, 4, 7000000},
      {std::int64_t{-1}, 4, std::nullopt},
      {-0.5, 0, std::nullopt},
      {std::uint64_t{5}, 18, std::nullopt},  // 5 x 10^18 is above the chain's largest amount
      {1e300, 0, std::nullopt},
      // The asset maximum, 2^62 - 1, comes back from a float as 2^62: within rounding, it reads.
      {4611686018427387904.0, 0, max_asset_units},
      {461168601842738.79, 4, max_asset_units},
      {std::uint64_t{4611686018427387904}, 0, max_asset_units},
      {4611686018427387904.0 + 4398046511104.0, 0, std::nullopt},  // 2^62 + 2^42: beyond it
  };
  for (const Case& c : cases) EXPECT_EQ(amount_units(c.amount, c.precision), c.units);
}

TEST(TokenAmounts, SharesAndHeadroomInBasisPoints) {
  EXPECT_EQ(headroom_bp(1000, 4000), Uint128{30000});
  EXPECT_EQ(headroom_bp(3, 4), Uint128{3333});
  EXPECT_EQ(headroom_bp(5000, 4000), Uint128{0});
  EXPECT_EQ(headroom_bp(1000, 0), std::nullopt);  // no cap recorded
  EXPECT_EQ(headroom_bp(0, 5), std::nullopt);
  // The largest amounts do not overflow: 10000 x (2^62 - 2) / 1.
  EXPECT_EQ(headroom_bp(1, max_asset_units), Uint128{max_asset_units - 1} * 10000);

  // Twelve holders: the escrow accounts are left out, the token's contract and issuer are not;
  // of the rest only the ten largest count.
  std::vector<HolderUnits> holders = {
      {"dex", 5000}, {"proton.swaps", 4000}, {"token.burn", 3000}, {"tok", 100}, {"issuer", 90}};
  for (int i = 0; i < 9; ++i) holders.push_back({"small", 10});
  EXPECT_EQ(top_ten_share_bp(holders, 10000), Uint128{100 + 90 + 8 * 10});
  EXPECT_EQ(top_ten_share_bp(holders, 0), std::nullopt);
}

}  // namespace
}  // namespace tarnwick

#include "assess/liquidity.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

constexpr Uint128 one_x64 = Uint128{1} << 64;  // s = 1.0

// A position of liquidity 10^10 between two ticks 20000 apart (b/a = 1.0001^10000 = e^0.99995),
// in each of the three price cases; the amounts were computed by hand at 50 digits.
TEST(PositionAmounts, TheThreePriceCasesWithinOneSubUnit) {
  struct Case {
    std::string name;
    std::int64_t lower, upper;
    Uint128 sqrt_price_x64;
    double a, b;
  };
  const Uint128 liquidity = 10'000'000'000;
  const std::vector<Case> cases = {
      {"price below the range: all token A", 0, 20000, one_x64 / 2, 6321021656.2287629, 0},
      {"price inside the range", 0, 20000, one_x64 * 2, 1321021656.2287629, 1e10},
      {"price above the range: all token B", 0, 20000, one_x64 * 4, 0, 17181459268.252249},
      {"negative ticks, inside", -20000, 0, one_x64 / 2, 1e10, 1321021656.2287629},
  };
  for (const Case& c : cases) {
    const std::optional<PositionAmounts> amounts =
        position_amounts(c.lower, c.upper, c.sqrt_price_x64, liquidity);
    ASSERT_TRUE(amounts) << c.name;
    EXPECT_NEAR(static_cast<double>(amounts->a), c.a, 1.0) << c.name;
    EXPECT_NEAR(static_cast<double>(amounts->b), c.b, 1.0) << c.name;
    EXPECT_LE(static_cast<double>(amounts->a), c.a) << c.name << ": rounded down";
  }
  EXPECT_FALSE(position_amounts(10, 10, one_x64, liquidity));
}

TEST(SplitBp, LargestRemaindersMakeExactlyTenThousand) {
  struct Case {
    ShareUnits parts;
    ShareKind when_empty;
    ShareBp bp;
  };
  const std::vector<Case> cases = {
      {{1, 1, 1, 0, 0}, share_unknown, {3334, 3333, 3333, 0, 0}},
      {{0, 0, 2, 0, 1}, share_unknown, {0, 0, 6667, 0, 3333}},
      {{0, 0, 0, 0, 0}, share_curve, {0, 0, 0, 10000, 0}},
      {{Uint128{1} << 90, 0, 0, 0, 1}, share_unknown, {10000, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(split_bp(c.parts, c.when_empty), c.bp);
}

}  // namespace
}  // namespace tarnwick

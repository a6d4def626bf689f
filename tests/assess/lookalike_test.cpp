#include "assess/lookalike.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace tarnwick {
namespace {

TEST(Lookalike, FoldsRunsThenOneXAtEachEnd) {
  const struct {
    std::string_view code;
    std::vector<std::string_view> alike;
    std::vector<std::string_view> not_alike;
  } cases[] = {
      {"XUSDC",
       {"XUSDC", "USDC", "USDCX", "XXUSDC", "USSDC", "XUSDCX"},
       {"XUSDT", "USD", "AUSDC", "XUSDC1", "xusdc", ""}},
      // Only one X comes off each end, after the runs: "XPXR" keeps its inner X.
      {"XPR", {"PR", "XPRR", "PRX", "XXPPRX", "XXXPR"}, {"XPRO", "XPXR", "X"}},
      {"LOAN", {"LLOAN", "XLOAN", "LOOAN"}, {"LOANLOAN", "OAN"}},
      // X alone folds to X: such codes look like one another and like no other.
      {"X", {"XX", "XXX"}, {"XPR", "XAX"}},
  };
  for (const auto& c : cases) {
    for (const std::string_view other : c.alike) {
      EXPECT_TRUE(is_lookalike(c.code, other) && is_lookalike(other, c.code)) << c.code << other;
    }
    for (const std::string_view other : c.not_alike) {
      EXPECT_FALSE(is_lookalike(c.code, other) || is_lookalike(other, c.code)) << c.code << other;
    }
  }
}

}  // namespace
}  // namespace tarnwick

#include "assess/lookalike.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(Lookalike, FoldsRunsThenOneXAtEachEnd) {
  const struct {
    const char* a;
    const char* b;
    bool alike;
  } cases[] = {
      {"XUSDC", "XUSDC", true},   {"XUSDC", "USDC", true},   {"XUSDC", "USDCX", true},
      {"XUSDC", "XXUSDC", true},  {"XUSDC", "USSDC", true},  {"XUSDC", "XUSDCX", true},
      {"XPR", "PR", true},        {"XPR", "XPRR", true},     {"XPR", "PRX", true},
      {"LOAN", "LLOAN", true},    {"LOAN", "XLOAN", true},   {"LOAN", "LOOAN", true},
      {"XUSDT", "XUSDC", false},  {"USD", "USDC", false},    {"XPR", "XPRO", false},
      {"XPR", "XXPPRX", true},    {"XPR", "XXXPR", true},    {"PR", "XXPRXX", true},
      // Only one X comes off each end: "XPXR" is not "PR" with an X inside taken off.
      {"XPR", "XPXR", false},     {"XUSDC", "AUSDC", false},
      // X alone folds to X: alike among themselves, never like another token.
      {"X", "XXX", true},         {"X", "XPR", false},       {"XXX", "XX", true},
      {"XUSDC", "", false},       {"", "", false},           {"xusdc", "XUSDC", false},
      {"XUSDC", "XUSDC1", false}, {"LOAN", "LOANLOAN", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_lookalike(c.a, c.b), c.alike) << c.a << " ~ " << c.b;
    EXPECT_EQ(is_lookalike(c.b, c.a), c.alike) << c.b << " ~ " << c.a;
  }
}

}  // namespace
}  // namespace tarnwick

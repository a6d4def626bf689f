#include "assess/renderings.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

TEST(OracleLine, VerdictLines) {
  struct Case {
    HazardBits hazard;
    bool unverified;
    const char* line;
  };
  const Case cases[] = {
      {LIQUIDITY_THIN | DEPLOYER_FRESH, true,
       "[WARN] mytoken ELEVATED_RISK_WARNING sev=5 haz=0b00010001 (unverified)"},
      {0, true, "[OK] mytoken NO_RISK_FOUND sev=0 haz=0b00000000 (unverified)"},
      {128, true, "[OK] mytoken NO_RISK_FOUND sev=0 haz=0b10000000 (unverified)"},
      {LIQUIDITY_THIN | OWNER_KEYS | DEPLOYER_FRESH, true,
       "[WARN] mytoken ELEVATED_RISK_WARNING sev=7 haz=0b00011001 (unverified)"},
      {LIQUIDITY_THIN | OWNER_KEYS | DEPLOYER_FRESH, false,
       "[HALT] mytoken CRITICAL_RUG_CONDITIONS sev=7 haz=0b00011001"},
      {121, true, "[WARN] mytoken ELEVATED_RISK_WARNING sev=11 haz=0b01111001 (unverified)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(oracle_line("mytoken", make_verdict(c.hazard, c.unverified, scan_thresholds)),
              c.line);
  }
}

TEST(OracleLine, NoDataLineEndsWithOneLineFeed) {
  EXPECT_EQ(oracle_no_data_line("mytoken"),
            "[WARN] mytoken NO_DATA couldn't read this token from the XPR network (it may not "
            "exist, or the network is unreachable) — no verdict; don't trade blind\n");
  EXPECT_EQ(oracle_missing_token_body, "missing token");
}

}  // namespace
}  // namespace tarnwick

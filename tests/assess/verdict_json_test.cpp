#include "assess/renderings.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

TEST(ScanJson, WorkedExampleIs588Bytes) {
  const Verdict v = make_verdict(LIQUIDITY_THIN | DEPLOYER_FRESH, true, scan_thresholds);
  const std::string expected =
      R"({"token":"mytoken","level":"ELEVATED_RISK_WARNING","severity":5,"hazard":17,)"
      R"("unverified":true,"block":false,"alert":"+-- TARNWICK v0.1.0 --- XPR-MAINNET-L1 ---\n)"
      R"(| token      : mytoken\n| assessment : ELEVATED_RISK_WARNING\n| severity   : 5\n)"
      R"(| hazard     : 0b00010001\n| reasons    :\n)"
      R"(|   [x] liquidity thin / not locked (shallow order book)\n)"
      R"(|   [x] deployer is a fresh/throwaway account\n)"
      R"(| note       : some inputs unverified — treat as incomplete\n)"
      R"(| disclaimer : structural risk only · not financial advice · DYOR\n)"
      R"(+--------------------------------------------------------------\n"})";
  const std::string body = scan_json("mytoken", v);
  EXPECT_EQ(body, expected);
  EXPECT_EQ(body.size(), 588U);
}

TEST(ScanJson, NumbersAndFlags) {
  struct Case {
    HazardBits hazard;
    bool unverified;
    const char* members;
  };
  const Case cases[] = {
      {128, true,
       R"("level":"NO_RISK_FOUND","severity":0,"hazard":128,"unverified":true,"block":false,)"},
      {LIQUIDITY_THIN | OWNER_KEYS | DEPLOYER_FRESH, true,
       R"("level":"ELEVATED_RISK_WARNING","severity":7,"hazard":25,"unverified":true,)"
       R"("block":false,)"},
      {LIQUIDITY_THIN | OWNER_KEYS | DEPLOYER_FRESH, false,
       R"("level":"CRITICAL_RUG_CONDITIONS","severity":7,"hazard":25,"unverified":false,)"
       R"("block":true,)"},
  };
  for (const auto& c : cases) {
    const std::string body =
        scan_json("a.b", make_verdict(c.hazard, c.unverified, scan_thresholds));
    EXPECT_EQ(body.rfind(std::string(R"({"token":"a.b",)") + c.members + R"("alert":"+-- )", 0), 0U)
        << body;
    EXPECT_TRUE(body.ends_with(R"(-\n"})")) << body;
  }
}

TEST(ScanJson, ErrorObjectAndMissingToken) {
  EXPECT_EQ(
      scan_error_json("mytoken"),
      R"({"token":"mytoken","error":"couldn't read this token from the XPR network )"
      R"((it may not exist, or the network is unreachable) — no verdict; don't trade blind"})");
  EXPECT_EQ(scan_missing_token_body, R"({"error":"missing token"})");
}

TEST(ScanJson, TokenIsEscaped) {
  // Tokens are validated upstream; the object stays well formed whatever arrives.
  EXPECT_EQ(scan_error_json("a\"b").rfind(R"({"token":"a\"b","error":)", 0), 0U);
}

}  // namespace
}  // namespace tarnwick

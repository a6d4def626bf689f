#include "assess/renderings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick {
namespace {

const std::string header = "+-- TARNWICK v0.1.0 --- XPR-MAINNET-L1 ---\n";
const std::string note = "| note       : some inputs unverified — treat as incomplete\n";
const std::string footer =
    "| disclaimer : structural risk only · not financial advice · DYOR\n"
    "+--------------------------------------------------------------\n";

TEST(AlertReport, WorkedExample) {
  const Verdict v = make_verdict(LIQUIDITY_THIN | DEPLOYER_FRESH, true, scan_thresholds);
  EXPECT_EQ(alert_report("mytoken", v),
            "+-- TARNWICK v0.1.0 --- XPR-MAINNET-L1 ---\n"
            "| token      : mytoken\n"
            "| assessment : ELEVATED_RISK_WARNING\n"
            "| severity   : 5\n"
            "| hazard     : 0b00010001\n"
            "| reasons    :\n"
            "|   [x] liquidity thin / not locked (shallow order book)\n"
            "|   [x] deployer is a fresh/throwaway account\n"
            "| note       : some inputs unverified — treat as incomplete\n"
            "| disclaimer : structural risk only · not financial advice · DYOR\n"
            "+--------------------------------------------------------------\n");
}

struct AlertCase {
  const char* name;
  const char* token;
  HazardBits hazard;
  bool unverified;
  std::string body;  // the lines between the header and the disclaimer
};

TEST(AlertReport, Variants) {
  const std::vector<AlertCase> cases = {
      {"nothing fired", "mytoken", 0, true,
       "| token      : mytoken\n| assessment : NO_RISK_FOUND\n| severity   : 0\n"
       "| hazard     : 0b00000000\n| reasons    :\n"
       "|   (none fired — no structural conditions detected)\n" +
           note},
      {"only reputation unread: not an empty word", "mytoken", 128, true,
       "| token      : mytoken\n| assessment : NO_RISK_FOUND\n| severity   : 0\n"
       "| hazard     : 0b10000000\n| reasons    :\n" +
           note},
      {"reputation low alone", "mytoken", 64, true,
       "| token      : mytoken\n| assessment : NO_RISK_FOUND\n| severity   : 2\n"
       "| hazard     : 0b01000000\n| reasons    :\n"
       "|   [x] low external bot-reputation score\n" +
           note},
      {"the most a scan produces", "a.b.c", 121, true,
       "| token      : a.b.c\n| assessment : ELEVATED_RISK_WARNING\n| severity   : 11\n"
       "| hazard     : 0b01111001\n| reasons    :\n"
       "|   [x] liquidity thin / not locked (shallow order book)\n"
       "|   [x] contract owner retains privilege keys\n"
       "|   [x] deployer is a fresh/throwaway account\n"
       "|   [x] deployer has prior rug history\n"
       "|   [x] low external bot-reputation score\n" +
           note},
      {"verified, critical, no note", "mytoken", 0x7F, false,
       "| token      : mytoken\n| assessment : CRITICAL_RUG_CONDITIONS\n| severity   : 12\n"
       "| hazard     : 0b01111111\n| reasons    :\n"
       "|   [x] liquidity thin / not locked (shallow order book)\n"
       "|   [x] top holders control a large share\n"
       "|   [x] abnormal on-chain promo/tx velocity\n"
       "|   [x] contract owner retains privilege keys\n"
       "|   [x] deployer is a fresh/throwaway account\n"
       "|   [x] deployer has prior rug history\n"
       "|   [x] low external bot-reputation score\n"},
      {"verified, nothing fired", "mytoken", 0, false,
       "| token      : mytoken\n| assessment : NO_RISK_FOUND\n| severity   : 0\n"
       "| hazard     : 0b00000000\n| reasons    :\n"
       "|   (none fired — no structural conditions detected)\n"},
  };
  for (const auto& c : cases) {
    const Verdict v = make_verdict(c.hazard, c.unverified, scan_thresholds);
    EXPECT_EQ(alert_report(c.token, v), header + c.body + footer) << c.name;
  }
}

}  // namespace
}  // namespace tarnwick

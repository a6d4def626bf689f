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

TEST(JsonEscape, Table) {
  struct Case {
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {std::string("\t\n\r\"\\\x01", 6), "\\t\\n\\\"\\\\"},
      {std::string("a\0b", 3), "ab"},
      {"\x1f x \x7f", " x \x7f"},
      {"ab\"cd\\ef\r\ngh\t", "ab\\\"cd\\\\ef\\ngh\\t"},
      {"\"\"", "\\\"\\\""},
      {"a/b", "a/b"},
      {"a.b.c", "a.b.c"},
      {"— · 🙂 é", "— · 🙂 é"},
      {"\xff\xfe", "\xff\xfe"},  // stray bytes pass unchanged; none is a control character
      {"", ""},
  };
  for (const auto& c : cases) {
    std::string escaped = "kept:";
    append_json_escaped(escaped, c.in);
    EXPECT_EQ(escaped, "kept:" + std::string(c.out)) << c.in;
  }
}

TEST(JsonQuote, WrapsTheEscapedText) {
  std::string quoted;
  append_json_quoted(quoted, "say \"hi\"\n");
  EXPECT_EQ(quoted, "\"say \\\"hi\\\"\\n\"");
}

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

#include "chain/chain_requests.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

TEST(ChainRequestsTest, StripJsonUnsafeRemovesControlsQuotesAndBackslashesOnly) {
  using namespace std::string_literals;
  EXPECT_EQ(strip_json_unsafe("abc.12345"), "abc.12345");
  EXPECT_EQ(strip_json_unsafe("a\"b\\c\nd\te\rf\x01g\x1fh"s), "abcdefgh");
  EXPECT_EQ(strip_json_unsafe("nul\0here"s), "nulhere");
  // DEL, space, the slash and non-ASCII stay, in order; nothing is escaped.
  EXPECT_EQ(strip_json_unsafe("x\x7f y/\u00e9\u2014"), "x\x7f y/\u00e9\u2014");
  EXPECT_EQ(strip_json_unsafe(""), "");
}

TEST(ChainRequestsTest, AccountBody) {
  EXPECT_EQ(account_body("abc"), R"({"account_name":"abc"})");
  EXPECT_EQ(account_body("a\"}b\\"), R"({"account_name":"a}b"})");
}

TEST(ChainRequestsTest, TableBodies) {
  EXPECT_EQ(market_rows_body(),
            R"({"json":true,"code":"dex","scope":"dex","table":"markets","lower_bound":"",)"
            R"("upper_bound":"","limit":1000})");
  EXPECT_EQ(reputation_rows_body("agentrep", "abc"),
            R"({"json":true,"code":"agentrep","scope":"agentrep","table":"agentscores",)"
            R"("lower_bound":"abc","upper_bound":"abc","limit":1})");
  EXPECT_EQ(table_rows_body("c\"", "s\n", "t\\", "l", "u", 4294967295U),
            R"({"json":true,"code":"c","scope":"s","table":"t","lower_bound":"l",)"
            R"("upper_bound":"u","limit":4294967295})");
  EXPECT_EQ(table_rows_body("", "", "", "", "", 0),
            R"({"json":true,"code":"","scope":"","table":"","lower_bound":"","upper_bound":"",)"
            R"("limit":0})");
}

TEST(ChainRequestsTest, Addresses) {
  const std::string base = "https://node.example:8443";
  EXPECT_EQ(get_account_url(base), base + "/v1/chain/get_account");
  EXPECT_EQ(get_table_rows_url(base), base + "/v1/chain/get_table_rows");
  EXPECT_EQ(get_actions_url(base, "tok.en1"),
            base + "/v2/history/get_actions?account=tok.en1&limit=100&sort=desc");
}

}  // namespace
}  // namespace tarnwick

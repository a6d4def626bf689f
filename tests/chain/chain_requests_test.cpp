#include "chain/chain_requests.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "chain/chain_info_reply.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"

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
  const ChainRequest by_contract = registry_by_contract_request("xtokens\"");
  EXPECT_EQ(by_contract.path, "/v1/chain/get_table_rows");
  EXPECT_EQ(by_contract.body,
            R"({"json":true,"code":"token.proton","scope":"token.proton","table":"tokens",)"
            R"("lower_bound":"xtokens","upper_bound":"xtokens","limit":1,"index_position":2,)"
            R"("key_type":"name"})");
  EXPECT_EQ(registry_page_request("", 250, false).body,
            R"({"json":false,"code":"token.proton","scope":"token.proton","table":"tokens",)"
            R"("lower_bound":"","upper_bound":"","limit":250})");
  EXPECT_EQ(registry_page_request("8\\").body,
            R"({"json":true,"code":"token.proton","scope":"token.proton","table":"tokens",)"
            R"("lower_bound":"8","upper_bound":"","limit":250})");
  EXPECT_EQ(table_rows_body("", "", "", "", "", 0),
            R"({"json":true,"code":"","scope":"","table":"","lower_bound":"","upper_bound":"",)"
            R"("limit":0})");
}

// TaPoS of a real block, worked by hand: block 332937211 = 0x13D837FB, so ref_block_num is
// 0x37FB = 14331; bytes 8 to 11 of its id are b1 31 2f c1, read little-endian 0xC12F31B1 =
// 3241095601; it expires 60 s after the head block time.
TEST(ChainRequestsTest, DryRunOfATransferReferringToTheIrreversibleBlock) {
  JsonReader reader;
  const std::optional<Tapos> tapos = tapos_of(reader, test::wax_info_json);
  ASSERT_TRUE(tapos);
  const ChainRequest request =
      dry_run_request(TransferAction{"snipcoins", "alice", "swap.alcor", "0.0400 SNIP",
                                     "swapexactin#7#alice#0.0001 XPR@eosio.token#0"},
                      *tapos);
  EXPECT_EQ(request.path, "/v1/chain/compute_transaction");
  EXPECT_TRUE(request.judges_transaction);
  EXPECT_EQ(request.body,
            R"({"transaction":{"signatures":[],"compression":"none","packed_context_free_data":"",)"
            R"("transaction":{"expiration":"2024-10-03T08:06:36","ref_block_num":14331,)"
            R"("ref_block_prefix":3241095601,"max_net_usage_words":0,"max_cpu_usage_ms":0,)"
            R"("delay_sec":0,"context_free_actions":[],"actions":[{"account":"snipcoins",)"
            R"("name":"transfer","authorization":[{"actor":"alice","permission":"active"}],)"
            R"("data":{"from":"alice","to":"swap.alcor","quantity":"0.0400 SNIP",)"
            R"("memo":"swapexactin#7#alice#0.0001 XPR@eosio.token#0"}}],)"
            R"("transaction_extensions":[]}}})");
  // An id that is not 64 hexadecimal digits refers to no block.
  for (const std::string& id : {std::string(63, 'a'), std::string(63, 'a') + "g"}) {
    EXPECT_FALSE(tapos_of(reader, R"({"last_irreversible_block_num":1,)"
                                  R"("last_irreversible_block_id":")" +
                                      id + R"(","head_block_time":"2024-10-03T08:05:36.000"})"))
        << id;
  }
}

}  // namespace
}  // namespace tarnwick

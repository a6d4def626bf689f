#include "chain/token_sale.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "assess/sale_check.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"

namespace tarnwick {
namespace {

using test::FakeNode;
using test::FakeReply;
using test::RecordedRequest;

// A SimpleDEX pool of XPR (side A) against TOK.
const std::string dex_pool_json = test::rows_json(
    {R"({"id":7,"tokenAContract":"eosio.token","tokenASymbol":"4,XPR","reserveA":5000000,)"
     R"("tokenBContract":"tok","tokenBSymbol":"4,TOK","reserveB":900000,"paused":0,"feeRate":30})"});
// The local clock, and a trace's block time of that second.
constexpr std::int64_t now = 1'796'698'800;
const std::string processed_head =
    R"({"transaction_id":"ab","processed":{"block_time":"2026-12-08T03:00:00.000",)"
    R"("receipt":{"status":"executed"},)";
// A trace entry with a receipt of `account`'s transfer received by `receiver`.
std::string transfer_trace(int ordinal, int creator, const std::string& receiver,
                           const std::string& account, const std::string& from,
                           const std::string& to, const std::string& quantity) {
  return R"({"action_ordinal":)" + std::to_string(ordinal) + R"(,"creator_action_ordinal":)" +
         std::to_string(creator) + R"(,"receipt":{},"receiver":")" + receiver +
         R"(","act":{"account":")" + account + R"(","name":"transfer","data":{"from":")" + from +
         R"(","to":")" + to + R"(","quantity":")" + quantity + R"(","memo":""}},"except":null})";
}
// alice's sale of 0.0200 TOK (a thousandth of her balance on the chain) into the pool, paid out
// 0.0700 XPR where the pool quotes 0.1107 XPR, the token sending 0.0060 TOK to taxwallet.
const std::string sale_paid_json =
    processed_head + R"("except":null,"action_traces":[)" +
    transfer_trace(1, 0, "tok", "tok", "alice", "simpledex", "0.0200 TOK") + "," +
    transfer_trace(2, 1, "simpledex", "tok", "alice", "simpledex", "0.0200 TOK") + "," +
    transfer_trace(3, 1, "tok", "tok", "alice", "taxwallet", "0.0060 TOK") + "," +
    transfer_trace(4, 2, "eosio.token", "eosio.token", "simpledex", "alice", "0.0700 XPR") + "]}}";
const std::string nothing_shown_json = processed_head + R"("except":null,"action_traces":[]}})";
const std::string sales_closed_json =
    R"({"transaction_id":"ab","processed":{"action_traces":[{"action_ordinal":1,)"
    R"("creator_action_ordinal":0,"receiver":"tok","act":{"account":"tok","name":"transfer"},)"
    R"("except":{"code":3050003,"name":"eosio_assert_message_exception","message":"m",)"
    R"("stack":[{"data":{"s":"sales are closed"}}]}}],"except":{"code":3050003}}})";
const std::string self_refused_json =
    R"({"transaction_id":"ab","processed":{"action_traces":[{"action_ordinal":1,)"
    R"("creator_action_ordinal":0,"receiver":"eosio.token","act":{"account":"eosio.token",)"
    R"("name":"transfer"},"except":{"code":3050003,"name":"eosio_assert_message_exception",)"
    R"("message":"m","stack":[{"data":{"s":"cannot transfer to self"}}]}}],)"
    R"("except":{"code":3050003}}})";
FakeReply error_answer(int code, const std::string& name, int status) {
  return FakeReply::json(R"({"code":)" + std::to_string(status) +
                             R"(,"message":"Internal Service Error","error":{"code":)" +
                             std::to_string(code) + R"(,"name":")" + name +
                             R"(","what":"","details":[]}})",
                         status);
}

// How the fake node answers what a test varies: the control, the sale, get_info, the balances.
struct Node {
  FakeReply control = FakeReply::json(self_refused_json);
  FakeReply sale = FakeReply::json(sale_paid_json);
  FakeReply info = FakeReply::json(test::wax_info_json);
  std::optional<FakeReply> balances = std::nullopt;  // none: alice holds 20 TOK, bob none
};

// The fake node holds the token "tok" (TOK) in one SimpleDEX pool; the history index lists alice
// twice, a name that is no account, the exchange, the contract and bob.
SaleReport check(FakeNode& fake, const Node& node) {
  fake.set_handler([&](const RecordedRequest& request) {
    const std::string path = request.path();
    const auto asks = [&](const char* text) {
      return request.body.find(text) != std::string::npos;
    };
    if (path == "/v1/chain/get_table_by_scope") {
      return FakeReply::json(test::stat_scopes_json("tok", {"........dhbp4"}));
    }
    if (path == "/v1/chain/get_info") return node.info;
    if (path == "/v1/chain/get_currency_stats") {
      return FakeReply::json(
          test::currency_stats_json("TOK", "100000.0000 TOK", "0.0000 TOK", "tok"));
    }
    if (path == "/v2/state/get_top_holders") {
      return FakeReply::json(test::top_holders_json("tok", "TOK",
                                                    {{"dex", "600"},
                                                     {"tok", "300"},
                                                     {"alice", "50"},
                                                     {"<img src=x>", "40"},
                                                     {"alice", "50"},
                                                     {"bob", "20000"}}));
    }
    if (path == "/v1/chain/get_currency_balance") {
      if (node.balances) return *node.balances;
      return FakeReply::json(asks(R"("account":"alice")") ? R"(["20.0000 TOK"])" : "[]");
    }
    if (path == "/v1/chain/get_table_rows") {
      return FakeReply::json(asks(R"("code":"simpledex")") ? dex_pool_json : test::rows_json({}));
    }
    if (path == "/v1/chain/compute_transaction") {
      return asks(R"("account":"eosio.token")") ? node.control : node.sale;
    }
    return FakeReply::json("{}", 404);
  });
  const ScanContext context{
      ChainClient(test::client_settings(fake)), "agentrep", test::created_2024_01_15, {}};
  JsonReader reader;
  return check_sale(context, "tok", std::string("TOK"), reader, now);
}

TEST(TokenSale, DryRunsOnTheNodeDecideTheSale) {
  FakeNode fake;
  const SaleReport paid = check(fake, Node{});
  EXPECT_EQ(
      sale_json(paid),
      R"({"version":1,"token":"tok","symbol":"TOK","sells":"went_through","why":"a sale )"
      R"(went through and lost 37 % beyond the pool's fee; 30 % went to taxwallet",)"
      R"("skipped":[{"holder":"bob","why":"zero balance"}],"control":{"node":")" +
          fake.base_url() +
          R"(","outcome":"refused","message":"cannot transfer to self"},"runs":[)"
          R"({"holder":"alice","to":"simpledex","kind":"simpledex","quantity":"0.0200 TOK",)"
          R"("outcome":"went_through","proceeds":{"quantity":"0.0700 XPR",)"
          R"("contract":"eosio.token"},"cost":{"sent":"0.0200 TOK",)"
          R"("reached_venue":"0.0200 TOK","taken":[{"to":"taxwallet","quantity":)"
          R"("0.0060 TOK"}],"pool_fee_ppm":3000,"quote":"0.1107 XPR","cost_bp":3677}}],"costs":)"
          R"({"sell_cost_bp":3677,"taken_by":["taxwallet"],"why":null},"node":")" +
          fake.base_url() + R"("})");
  // The sale's memo and the control, made together in either order.
  std::string bodies;
  for (const RecordedRequest& request : fake.requests()) bodies += request.body;
  EXPECT_NE(bodies.find(R"("memo":"swap:7:1:false")"), std::string::npos);
  EXPECT_NE(bodies.find(R"("from":"alice","to":"alice","quantity":"0.0001 XPR")"),
            std::string::npos);

  const struct {
    std::string name;
    Node node;
    std::string why;
    std::optional<std::int64_t> code;
  } cases[] = {
      {"refused", Node{.sale = FakeReply::json(sales_closed_json)},
       "the token refused every sale tried", 3050003},
      {"a node that does not refuse the control",
       Node{.control = FakeReply::json(nothing_shown_json)},
       "no dry run was conclusive; the node did not refuse a transfer it must refuse: what it "
       "ran could not tell",
       std::nullopt},
      {"no node offers a dry run",
       Node{.control = error_answer(0, "exception", 404),
            .sale = error_answer(0, "exception", 404)},
       "no node offers a dry run", std::nullopt},
      // The node's trouble goes on to the next node; with one node, no run is read.
      {"the transaction expired by the node's clock",
       Node{.sale = error_answer(3040005, "expired_tx_exception", 500)},
       "no dry run was conclusive", std::nullopt},
      {"a transaction no node would run",
       Node{.sale = error_answer(3015014, "pack_exception", 500)}, "no dry run was conclusive",
       3015014},
      {"get_info unread", Node{.info = FakeReply::json("{}", 503)},
       "get_info could not be read (read failed)", std::nullopt},
      {"balances unread", Node{.balances = FakeReply::json("{}", 503)},
       "the holders' balances could not be read (read failed)", std::nullopt},
  };
  for (const auto& c : cases) {
    FakeNode other;
    const SaleReport report = check(other, c.node);
    EXPECT_EQ(sells_names[static_cast<std::size_t>(report.sells)],
              std::string_view(c.name == "refused" ? "blocked" : "not_checked"))
        << c.name;
    EXPECT_EQ(report.why, c.why) << c.name;
    for (const SaleRun& run : report.runs) EXPECT_EQ(run.result.code, c.code) << c.name;
  }
}

}  // namespace
}  // namespace tarnwick

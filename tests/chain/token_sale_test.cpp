#include "chain/token_sale.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "assess/sale_check.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"
#include "support/memory_transport.h"

namespace tarnwick {
namespace {

using test::Scripted;

const std::string memory_node = "https://memory";

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
// How the node answers what a test varies: the control, the sale, get_info, the balances.
struct Node {
  Scripted control = self_refused_json;
  Scripted sale = sale_paid_json;
  Scripted info = test::wax_info_json;
  std::optional<Scripted> balances = std::nullopt;  // none: alice holds 20 TOK, bob none
};

// The node in memory holds the token "tok" (TOK) in one SimpleDEX pool; the history index lists
// alice twice, a name that is no account, the exchange, the contract and bob. `reads` gets the
// reads made, in the order started, and `rounds` those that began together, each read held 100 ms.
SaleReport check(const Node& node, std::vector<ChainRequest>* reads = nullptr,
                 std::vector<std::vector<ChainRequest>>* rounds = nullptr) {
  test::MemoryTransport transport([&](const ChainRequest& request) -> Scripted {
    const std::string path = request.path.substr(0, request.path.find('?'));
    const auto asks = [&](const char* text) {
      return request.body.value_or("").find(text) != std::string::npos;
    };
    if (path == "/v1/chain/get_table_by_scope") {
      return test::stat_scopes_json("tok", {"........dhbp4"});
    }
    if (path == "/v1/chain/get_info") return node.info;
    if (path == "/v1/chain/get_currency_stats") {
      return test::currency_stats_json("TOK", "100000.0000 TOK", "0.0000 TOK", "tok");
    }
    if (path == "/v2/state/get_top_holders") {
      return test::top_holders_json("tok", "TOK",
                                    {{"dex", "600"},
                                     {"tok", "300"},
                                     {"alice", "50"},
                                     {"<img src=x>", "40"},
                                     {"alice", "50"},
                                     {"bob", "20000"}});
    }
    if (path == "/v1/chain/get_currency_balance") {
      if (node.balances) return *node.balances;
      return asks(R"("account":"alice")") ? R"(["20.0000 TOK"])" : "[]";
    }
    if (path == "/v1/chain/get_table_rows") {
      return asks(R"("code":"simpledex")") ? dex_pool_json : test::rows_json({});
    }
    if (path == "/v1/chain/compute_transaction") {
      return asks(R"("account":"eosio.token")") ? node.control : node.sale;
    }
    return Scripted(RouteMissing{});
  });
  const ScanContext context{
      ChainClient(ClientSettings{}), "agentrep", test::created_2024_01_15, {}};
  transport.latency = std::chrono::milliseconds(100);
  JsonReader reader;
  ReadSession session(transport, reader, sale_budget());
  SaleReport report = check_sale(context, "tok", std::string("TOK"), session, now);
  if (rounds != nullptr) *rounds = transport.rounds();
  for (const std::vector<ChainRequest>& batch : transport.batches()) {
    if (reads != nullptr) reads->insert(reads->end(), batch.begin(), batch.end());
  }
  return report;
}

TEST(TokenSale, DryRunsOnTheNodeDecideTheSale) {
  std::vector<ChainRequest> requests;
  std::vector<std::vector<ChainRequest>> rounds;
  const SaleReport paid = check(Node{}, &requests, &rounds);
  EXPECT_EQ(
      sale_json(paid),
      R"({"version":1,"token":"tok","symbol":"TOK","sells":"went_through","why":"a sale )"
      R"(went through and lost 37 % beyond the pool's fee; 30 % went to taxwallet",)"
      R"("skipped":[{"holder":"bob","why":"zero balance"}],"control":{"node":")" +
          memory_node +
          R"(","outcome":"refused","message":"cannot transfer to self"},"runs":[)"
          R"({"holder":"alice","to":"simpledex","kind":"simpledex","quantity":"0.0200 TOK",)"
          R"("outcome":"went_through","proceeds":{"quantity":"0.0700 XPR",)"
          R"("contract":"eosio.token"},"cost":{"sent":"0.0200 TOK",)"
          R"("reached_venue":"0.0200 TOK","taken":[{"to":"taxwallet","quantity":)"
          R"("0.0060 TOK"}],"pool_fee_ppm":3000,"quote":"0.1107 XPR","cost_bp":3677}}],"costs":)"
          R"({"sell_cost_bp":3677,"taken_by":["taxwallet"],"why":null},"node":")" +
          memory_node + R"("})");
  EXPECT_NE(requests.back().body->find(R"("memo":"swap:7:1:false")"), std::string::npos);
  EXPECT_NE(requests[requests.size() - 2].body->find(
                R"("from":"alice","to":"alice","quantity":"0.0001 XPR")"),
            std::string::npos);
  // Each read begins as soon as what it needs is read: the pool search beside the supply and
  // holders, as it needs only the symbol; the balances once the holders are read; the control
  // and the run once the holders and the pool are known.
  std::vector<std::vector<std::string>> began;
  for (const std::vector<ChainRequest>& round : rounds) {
    began.emplace_back();
    for (const ChainRequest& request : round) {
      const std::string body = request.body.value_or("");
      const std::size_t code = body.find(R"("code":")");
      const std::string path = request.path.substr(0, request.path.find('?'));
      std::string name = path.substr(path.rfind('/') + 1);
      if (request.path.ends_with("rows")) name.append(" ").append(body.substr(code + 8, 5));
      began.back().push_back(name);
    }
  }
  EXPECT_EQ(
      began,
      (std::vector<std::vector<std::string>>{
          {"get_table_by_scope", "get_info"},
          {"get_currency_stats", "get_top_holders", "get_table_rows proto", "get_table_rows simpl"},
          {"get_table_rows swap.", "get_currency_balance", "get_currency_balance"},
          {"compute_transaction", "compute_transaction"}}));

  const struct {
    std::string name;
    Node node;
    std::string why;
    std::optional<std::int64_t> code;
  } cases[] = {
      {"refused", Node{.sale = sales_closed_json}, "the token refused every sale tried", 3050003},
      {"a node that does not refuse the control", Node{.control = nothing_shown_json},
       "no dry run was conclusive; the node did not refuse a transfer it must refuse: what it "
       "ran could not tell",
       std::nullopt},
      {"no node offers a dry run",
       Node{.control = Scripted(RouteMissing{}), .sale = Scripted(RouteMissing{})},
       "no node offers a dry run", std::nullopt},
      // The node's trouble goes on to the next node; with one node, no run is read.
      {"the transaction expired by the node's clock", Node{.sale = Scripted(ReadFailure{})},
       "no dry run was conclusive", std::nullopt},
      {"a transaction no node would run",
       Node{.sale = Scripted(ChainError{3015014, "pack_exception"})}, "no dry run was conclusive",
       3015014},
      {"get_info unread", Node{.info = Scripted(ReadFailure{})},
       "get_info could not be read (read failed)", std::nullopt},
      {"balances unread", Node{.balances = Scripted(ReadFailure{})},
       "the holders' balances could not be read (read failed)", std::nullopt},
  };
  for (const auto& c : cases) {
    const SaleReport report = check(c.node);
    EXPECT_EQ(sells_names[static_cast<std::size_t>(report.sells)],
              std::string_view(c.name == "refused" ? "blocked" : "not_checked"))
        << c.name;
    EXPECT_EQ(report.why, c.why) << c.name;
    for (const SaleRun& run : report.runs) EXPECT_EQ(run.result.code, c.code) << c.name;
  }
}

}  // namespace
}  // namespace tarnwick

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
     R"("tokenBContract":"tok","tokenBSymbol":"4,TOK","reserveB":900000,"paused":0})"});
const std::string went_through_json =
    R"({"transaction_id":"ab","processed":{"action_traces":[],"except":null}})";
const std::string sales_closed_json =
    R"({"transaction_id":"ab","processed":{"action_traces":[{"action_ordinal":1,)"
    R"("creator_action_ordinal":0,"receiver":"tok","act":{"account":"tok","name":"transfer"},)"
    R"("except":{"code":3050003,"name":"eosio_assert_message_exception","message":"m",)"
    R"("stack":[{"data":{"s":"sales are closed"}}]}}],"except":{"code":3050003}}})";

// The fake node holds the token "tok" (TOK) of one holder besides the exchange and the contract,
// in one SimpleDEX pool; `dry_run` answers compute_transaction, `info` get_info.
SaleReport check(FakeNode& node, const std::function<FakeReply(const RecordedRequest&)>& dry_run,
                 const FakeReply& info = FakeReply::json(test::wax_info_json)) {
  node.set_handler([&](const RecordedRequest& request) {
    const std::string path = request.path();
    if (path == "/v1/chain/get_table_by_scope") {
      return FakeReply::json(test::stat_scopes_json("tok", {"........dhbp4"}));
    }
    if (path == "/v1/chain/get_info") return info;
    if (path == "/v1/chain/get_currency_stats") {
      return FakeReply::json(
          test::currency_stats_json("TOK", "1000.0000 TOK", "0.0000 TOK", "tok"));
    }
    if (path == "/v2/state/get_top_holders") {
      return FakeReply::json(
          test::top_holders_json("tok", "TOK", {{"dex", "600"}, {"tok", "300"}, {"alice", "50"}}));
    }
    if (path == "/v1/chain/get_table_rows") {
      const bool dex = request.body.find(R"("code":"simpledex")") != std::string::npos;
      return FakeReply::json(dex ? dex_pool_json : test::rows_json({}));
    }
    if (path == "/v1/chain/compute_transaction") return dry_run(request);
    return FakeReply::json("{}", 404);
  });
  const ScanContext context{
      ChainClient(test::client_settings(node)), "agentrep", test::created_2024_01_15, {}};
  JsonReader reader;
  return check_sale(context, "tok", std::string("TOK"), reader);
}

TEST(TokenSale, DryRunsOnTheNodeDecideTheSale) {
  FakeNode node;
  const SaleReport refused =
      check(node, [](const RecordedRequest&) { return FakeReply::json(sales_closed_json); });
  EXPECT_EQ(sale_json(refused),
            R"({"version":1,"token":"tok","symbol":"TOK","sells":"blocked","why":null,"runs":[)"
            R"({"holder":"alice","to":"simpledex","kind":"simpledex","quantity":"0.0500 TOK",)"
            R"("outcome":"refused_by_token","by":"tok","code":3050003,)"
            R"("name":"eosio_assert_message_exception","message":"sales are closed"}],"node":")" +
                node.base_url() + R"("})");
  EXPECT_NE(node.requests().back().body.find(R"("memo":"swap:7:1:false")"), std::string::npos);

  const FakeReply unknown_endpoint =
      FakeReply::json(R"({"code":404,"message":"Not Found","error":{"code":0,"name":"exception",)"
                      R"("what":"unspecified","details":[{"message":"Unknown Endpoint"}]}})",
                      404);
  const FakeReply expired = FakeReply::json(
      R"({"code":500,"message":"Internal Service Error","error":{"code":3040005,)"
      R"("name":"expired_tx_exception","what":"Expired Transaction","details":[]}})",
      500);
  const struct {
    std::string name;
    FakeReply dry_run;
    FakeReply info;
    std::string why;
  } cases[] = {
      {"no node offers a dry run", unknown_endpoint, FakeReply::json(test::wax_info_json),
       "no node offers a dry run"},
      {"the transaction expired", expired, FakeReply::json(test::wax_info_json),
       "no dry run was conclusive"},
      {"get_info unread", FakeReply::json(went_through_json), FakeReply::json("{}", 503),
       "get_info could not be read (read failed)"},
  };
  for (const auto& c : cases) {
    FakeNode other;
    const SaleReport report = check(
        other, [&](const RecordedRequest&) { return c.dry_run; }, c.info);
    EXPECT_EQ(report.sells, Sells::not_checked) << c.name;
    EXPECT_EQ(report.why, c.why) << c.name;
    for (const SaleRun& run : report.runs) {
      EXPECT_EQ(run.result.code,
                c.dry_run.status == 500 ? std::optional<std::int64_t>(3040005) : std::nullopt)
          << c.name;
    }
  }
}

}  // namespace
}  // namespace tarnwick

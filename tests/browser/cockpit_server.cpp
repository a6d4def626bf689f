// cockpit_server: the real serving loop on an ephemeral loopback port, reading the chain from a
// scripted FakeNode, for the cockpit browser tests. Prints the port on the first line of stdout,
// then serves until stdin reaches its end (or the process is killed). Each line "node-requests"
// on stdin is answered on stdout with the number of requests the node has received so far, and
// each line "account-name <text>" with 1 or 0 as the service's own rule takes <text> for a token
// account name or not. Not product code.
//
// The node knows two tokens, "mytoken" (no market, created two days before the reference time,
// a reputation row) and "snipcoins" (an active market, an old account); every other account
// read fails the way a real node refuses an unknown account, so a scan of it ends with no data.
// /update runs the product's own check against HOME: the tests start this program with a HOME
// that holds the no-update-check marker, so nothing leaves the machine.
#include <cstdint>
#include <iostream>
#include <string>

#include "chain/prior_rug_list.h"
#include "chain/scan_context.h"
#include "chain/xpr_replies.h"
#include "common/account_name.h"
#include "common/https_client.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"
#include "support/serving_harness.h"

namespace {

using tarnwick::test::FakeReply;
using tarnwick::test::RecordedRequest;

constexpr std::uint64_t created_mytoken = 1'705'314'600;  // 2024-01-15T10:30:00 UTC
constexpr std::uint64_t reference_time = created_mytoken + 2 * 86'400;

FakeReply answer_like_xpr_node(const RecordedRequest& request) {
  const std::string path = request.path();
  if (path == "/v1/chain/get_account") {
    if (request.body == R"({"account_name":"mytoken"})")
      return FakeReply::json(
          tarnwick::test::benign_account_json("mytoken", "2024-01-15T10:30:00.000"));
    if (request.body == R"({"account_name":"snipcoins"})")
      return FakeReply::json(
          tarnwick::test::benign_account_json("snipcoins", "2019-06-01T00:00:00.000"));
    return FakeReply::json(tarnwick::test::unknown_account_leap4_json(), 400);
  }
  if (path == "/v1/chain/get_table_rows") {
    if (request.body.find(R"("table":"markets")") != std::string::npos) {
      return FakeReply::json(
          tarnwick::test::rows_json({tarnwick::test::market_row_json(7, "snipcoins", "xtokens")}));
    }
    return FakeReply::json(
        tarnwick::test::rows_json({tarnwick::test::agentscore_json("mytoken", "350")}));
  }
  if (path == "/v2/history/get_actions") return FakeReply::json(R"({"actions":[]})");
  // The evidence reads, for mytoken: one symbol, an uncapped supply, a holder named in markup.
  if (path == "/v1/chain/get_table_by_scope")
    return FakeReply::json(tarnwick::test::stat_scopes_json("mytoken", {"........dhbp4"}));
  if (path == "/v1/chain/get_currency_stats") {
    return FakeReply::json(
        tarnwick::test::currency_stats_json("TOK", "1000.0000 TOK", "0.0000 TOK", "mytoken"));
  }
  if (path == "/v2/state/get_top_holders") {
    return FakeReply::json(tarnwick::test::top_holders_json(
        "mytoken", "TOK", {{"mytoken", "700.0"}, {"<img src=x onerror=pwned=1>", "12.5"}}));
  }
  if (path == "/v1/chain/get_code_hash")
    return FakeReply::json(tarnwick::test::code_hash_json("mytoken", std::string(64, 'a')));
  return FakeReply::json(R"({"code":404,"message":"Not Found"})", 404);
}

}  // namespace

int main() {
  tarnwick::test::FakeNode node;
  node.set_handler(answer_like_xpr_node);
  const tarnwick::ScanContext context{tarnwick::ChainClient(tarnwick::test::client_settings(node)),
                                      "repscores", reference_time, tarnwick::PriorRugList{}};
  const tarnwick::ServingHarness service(context);
  std::cout << service.port() << std::endl;

  std::string line;
  while (std::getline(std::cin, line)) {
    if (line == "node-requests") std::cout << node.requests().size() << std::endl;
    constexpr std::string_view name_command = "account-name ";
    if (line.starts_with(name_command)) {
      std::cout << (tarnwick::is_account_name(line.substr(name_command.size())) ? 1 : 0)
                << std::endl;
    }
  }
  return 0;
}

#include "chain/read_session.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "assess/hazards.h"
#include "chain/chain_requests.h"
#include "chain/token_evidence.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"
#include "support/memory_transport.h"

namespace tarnwick {
namespace {

using test::MemoryTransport;

constexpr ReadBudget roomy{100, std::chrono::hours(1), std::chrono::seconds(12)};

// The budget refuses a read before it is sent; a read no node answered and a refused one each
// become their reason, never a reply.
TEST(ReadSession, ABudgetRefusesBeforeSendingAndEveryMissingReplyIsAReason) {
  MemoryTransport transport([](const ChainRequest& request) -> std::optional<std::string> {
    if (request.path == "/v1/chain/get_info") return std::nullopt;
    return std::string("{}");
  });
  JsonReader reader;
  ReadSession session(transport, reader, ReadBudget{2, std::chrono::hours(1), {}});
  const std::vector<ChainRequest> requests = {account_request("tok"), info_request(),
                                              code_hash_request("tok")};
  const std::vector<Reading> readings = session.read(requests);
  EXPECT_EQ(transport.paths(),
            (std::vector<std::string>{"/v1/chain/get_account", "/v1/chain/get_info"}));
  EXPECT_EQ(readings[0].reply, "{}");
  EXPECT_EQ(readings[0].node, "https://memory");
  EXPECT_EQ(readings[1].why.code, ReasonCode::read_failed);
  EXPECT_EQ(readings[1].why.text, "read failed");
  EXPECT_EQ(readings[2].why.code, ReasonCode::over_budget);
  EXPECT_EQ(readings[2].why.text, "read limit reached");
  EXPECT_TRUE(readings[2].node.empty());
  EXPECT_EQ(session.reads(), 2U);
}

// The /evidence plan in memory: each read that fails, is not JSON or is cut by the budget
// becomes its own fact's reason (and the reasons of the facts that rest on it), with its code.
TEST(EvidencePlan, EachMissingReplyBecomesItsFactsReason) {
  // The read a request is, by its path and body.
  const auto read_name = [](const ChainRequest& request) -> std::string {
    const std::string body = request.body.value_or("");
    if (request.path == "/v1/chain/get_account") {
      return body.find("\"tok\"") != std::string::npos ? "account" : "issuer";
    }
    if (request.path == "/v1/chain/get_table_rows") {
      return body.find("markets") != std::string::npos ? "market" : "reputation";
    }
    return request.path.substr(request.path.rfind('/') + 1, 12);
  };
  const std::map<std::string, std::string> replies = {
      {"account", test::benign_account_json("tok", "2024-01-15T10:30:00.000")},
      {"market", test::rows_json({test::market_row_json(7, "tok", "eosio.token")})},
      {"reputation", test::rows_json({test::agentscore_json("tok", "350")})},
      {"get_actions?", test::actions_json("tok")},
      {"get_table_by", test::stat_scopes_json("tok", {"........dhbp4"})},
      {"get_currency", test::currency_stats_json("TOK", "1.0000 TOK", "9.0000 TOK", "founder")},
      {"get_top_hold", test::top_holders_json("tok", "TOK", {{"alice", "1"}})},
      {"get_code_has", test::code_hash_json("tok", std::string(64, 'a'))},
      {"issuer", test::benign_account_json("founder", "2024-01-15T10:30:00.000")},
      {"get_creator?", R"({"creator":"someone","timestamp":"2024-01-15T10:30:00.000"})"},
  };
  using Get = std::function<const Reason&(const TokenEvidence&)>;
  const Get market = [](const TokenEvidence& e) -> const Reason& { return e.scan.market.why; };
  const Get supply = [](const TokenEvidence& e) -> const Reason& { return e.supply.why; };
  const Get holders = [](const TokenEvidence& e) -> const Reason& { return e.holders.why; };
  const Get code = [](const TokenEvidence& e) -> const Reason& { return e.code.why; };
  const Get issuer = [](const TokenEvidence& e) -> const Reason& { return e.issuer.account_why; };
  struct Case {
    std::string read;                  // the read whose reply changes
    std::optional<std::string> reply;  // none: the read fails
    std::uint32_t max_reads;
    Get fact;
    ReasonCode code;
  };
  const std::vector<Case> cases = {
      {"market", std::nullopt, 11, market, ReasonCode::read_failed},
      {"market", "<html>", 11, market, ReasonCode::not_json},
      {"get_table_by", std::nullopt, 11, supply, ReasonCode::not_chosen},
      {"get_table_by", std::nullopt, 11, holders, ReasonCode::input_unread},
      {"get_currency", "{}", 11, supply, ReasonCode::not_held},
      {"get_currency", std::nullopt, 11, holders, ReasonCode::input_unread},
      {"get_top_hold", R"({"error":"no state"})", 11, holders, ReasonCode::absent_at_node},
      {"issuer", std::nullopt, 11, issuer, ReasonCode::read_failed},
      {"", std::nullopt, 8, supply, ReasonCode::over_budget},
      {"", std::nullopt, 9, issuer, ReasonCode::over_budget},
      {"", std::nullopt, 6, code, ReasonCode::over_budget},
  };
  const ScanContext context{
      ChainClient(ClientSettings{}), "agentrep", test::created_2024_01_15, {}};
  for (const Case& c : cases) {
    MemoryTransport transport([&](const ChainRequest& request) -> std::optional<std::string> {
      const std::string name = read_name(request);
      if (name == c.read) return c.reply;
      return replies.at(name);
    });
    JsonReader reader;
    ReadSession session(transport, reader, ReadBudget{c.max_reads, roomy.total_time, {}});
    const std::optional<TokenEvidence> evidence =
        gather_evidence(scan_thresholds, context, "tok", std::nullopt, session);
    ASSERT_TRUE(evidence) << c.read;
    EXPECT_EQ(c.fact(*evidence).code, c.code) << c.read << " " << c.fact(*evidence).text;
    if (c.read != "market" || c.reply) continue;
    // The reads that start together: the account alone; all that needs only the token's name,
    // the market and the symbols first; the supply; then what the supply names.
    std::vector<std::vector<std::string>> rounds;
    for (const std::vector<ChainRequest>& batch : transport.batches()) {
      rounds.emplace_back();
      for (const ChainRequest& request : batch) rounds.back().push_back(read_name(request));
    }
    EXPECT_EQ(rounds, (std::vector<std::vector<std::string>>{
                          {"account"},
                          {"market", "get_table_by", "account", "get_actions?", "reputation",
                           "get_code_has", "get_creator?"},
                          {"get_currency"},
                          {"get_top_hold", "issuer"}}));
  }
}

}  // namespace
}  // namespace tarnwick

#include "chain/scan_token.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "assess/hazards.h"
#include "assess/scan_record.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"
#include "support/memory_transport.h"
#include "support/scripted_exchanges.h"

namespace tarnwick {
namespace {

using test::MemoryTransport;
using test::Scripted;
using test::ScriptedAnswer;
using test::ScriptedExchanges;

using test::created_2024_01_15;
constexpr std::uint64_t thirty_days_later = created_2024_01_15 + 30 * 86400;

class ScanTokenTest : public ::testing::Test {
 protected:
  std::optional<Verdict> scan(std::string_view token = "tok", PriorRugList rugs = {},
                              std::uint64_t reference_time = thirty_days_later,
                              ReadBudget budget = scan_budget()) {
    account_reads_ = 0;
    transport_ = std::make_unique<MemoryTransport>(
        [this](const ChainRequest& request) { return answer(request); });
    const ScanContext context{ChainClient(ClientSettings{}), "agentrep", reference_time,
                              std::move(rugs)};
    JsonReader reader;
    ReadSession session(*transport_, reader, budget);
    return scan_token(scan_thresholds, context, token, session);
  }

  // The scripted node: the first get_account of a scan gets `account_`, the second `creation_`
  // (or `account_` again); the two table reads are told apart by their bodies.
  Scripted answer(const ChainRequest& request) {
    if (request.path == "/v1/chain/get_account") {
      return ++account_reads_ == 1 ? account_ : creation_.value_or(account_);
    }
    if (request.path == "/v1/chain/get_table_rows") {
      if (request.body.value_or("").find("\"markets\"") != std::string::npos)
        return markets_reply_.value_or(markets_);
      return reputation_reply_.value_or(reputation_);
    }
    if (request.path.starts_with("/v2/history/get_actions?")) return history_;
    return Scripted(RouteMissing{});
  }

  // The reads of the last scan, in order.
  std::vector<ChainRequest> reads() const {
    std::vector<ChainRequest> all;
    for (const std::vector<ChainRequest>& batch : transport_->batches()) {
      all.insert(all.end(), batch.begin(), batch.end());
    }
    return all;
  }

  std::unique_ptr<MemoryTransport> transport_;
  int account_reads_ = 0;
  Scripted account_ = test::benign_account_json("tok", "2024-01-15T10:30:00.000");
  std::optional<Scripted> creation_;  // the second get_account; none: same as the first
  std::string markets_ = test::rows_json({test::market_row_json(7, "tok", "eosio.token")});
  std::optional<Scripted> markets_reply_;
  std::string reputation_ = test::rows_json({test::agentscore_json("tok", "350")});
  std::optional<Scripted> reputation_reply_;
  Scripted history_ = test::actions_json("tok");
};

TEST_F(ScanTokenTest, FiveReadsOneAfterAnotherWithTheirExactBytes) {
  const std::optional<Verdict> verdict = scan("tok.a1");
  ASSERT_TRUE(verdict);
  const std::vector<ChainRequest> expected = {
      {"/v1/chain/get_account", R"({"account_name":"tok.a1"})"},
      {"/v1/chain/get_table_rows",
       R"({"json":true,"code":"dex","scope":"dex","table":"markets","lower_bound":"",)"
       R"("upper_bound":"","limit":1000})"},
      {"/v1/chain/get_account", R"({"account_name":"tok.a1"})"},
      {"/v2/history/get_actions?account=tok.a1&limit=100&sort=desc", std::nullopt},
      {"/v1/chain/get_table_rows",
       R"({"json":true,"code":"agentrep","scope":"agentrep","table":"agentscores",)"
       R"("lower_bound":"tok.a1","upper_bound":"tok.a1","limit":1})"},
  };
  std::vector<std::vector<ChainRequest>> one_at_a_time;
  for (const ChainRequest& request : expected) one_at_a_time.push_back({request});
  EXPECT_EQ(transport_->batches(), one_at_a_time);
}

TEST_F(ScanTokenTest, BenignTokenYieldsAnUnverifiedVerdictWithNoHazard) {
  const std::optional<Verdict> verdict = scan();
  ASSERT_TRUE(verdict);
  EXPECT_EQ(verdict->hazard, 0);
  EXPECT_EQ(verdict->severity, 0U);
  EXPECT_EQ(verdict->level, RiskLevel::NO_RISK_FOUND);
  EXPECT_TRUE(verdict->unverified);
}

TEST_F(ScanTokenTest, MaximalTokenStaysBelowCritical) {
  account_ = Scripted(test::account_json("tok", "2024-01-15T10:30:00.000",
                                         {test::permission_json("owner", 0, {"eosio.prods"}),
                                          test::permission_json("active", 1, {})}));
  markets_ = test::rows_json({test::market_row_json(7, "eosio.token", "tok", "2")});
  reputation_ = test::rows_json({test::agentscore_json("tok", "100")});
  const std::optional<Verdict> verdict =
      scan("tok", parse_prior_rugs("abc\ntok\n"), created_2024_01_15 + 2 * 86400);
  ASSERT_TRUE(verdict);
  EXPECT_EQ(verdict->hazard,
            LIQUIDITY_THIN | OWNER_KEYS | DEPLOYER_FRESH | DEPLOYER_PRIOR_RUG | REPUTATION_LOW);
  EXPECT_EQ(verdict->severity, 11U);
  EXPECT_EQ(verdict->level, RiskLevel::ELEVATED_RISK_WARNING);
  EXPECT_FALSE(block(*verdict));
}

// However the account read ends without a reply, the scan has no data and reads nothing more.
TEST_F(ScanTokenTest, FailedAccountReadIsNoDataAfterOneRead) {
  const std::vector<std::pair<std::string, Scripted>> cases = {
      {"the chain's error answer: an unknown account", Scripted(ChainError{3010001, "name"})},
      {"no node answered", Scripted(ReadFailure{})},
      {"no node offers the route", Scripted(RouteMissing{})},
      {"over budget", Scripted(OverBudget{})},
  };
  for (const auto& [name, failure] : cases) {
    account_ = failure;
    EXPECT_FALSE(scan().has_value()) << name;
    EXPECT_EQ(reads().size(), 1U) << name;
  }
}

// A read the budget does not reach is not made, and its fact counts as unread.
TEST_F(ScanTokenTest, ReadsBeyondTheBudgetAreNotMade) {
  const std::optional<Verdict> verdict = scan("tok", {}, thirty_days_later, {3, std::nullopt});
  ASSERT_TRUE(verdict);
  EXPECT_EQ(reads().size(), 3U);
  EXPECT_EQ(verdict->hazard, REPUTATION_UNREAD);
}

// Three nodes; a scan, then a second one on the same client, on scripted exchanges. `answers`
// scripts the nodes that do not answer healthily; exchanges counted per node after each scan.
TEST_F(ScanTokenTest, ReadsFailOverAcrossNodesAndStayWithTheOneThatAnswered) {
  const auto status = [](int code) { return ScriptedAnswer::json("{}", code); };
  const ScriptedAnswer refused = ScriptedAnswer::broken();
  const ScriptedAnswer unknown = ScriptedAnswer::json(test::unknown_account_leap4_json(), 400);
  struct Case {
    std::string name;
    std::vector<ScriptedAnswer> answers;  // for the first nodes
    bool verdict;
    std::vector<std::size_t> after_one, after_two;
  };
  const std::vector<Case> cases = {
      {"refused", {refused}, true, {1, 5, 0}, {1, 10, 0}},
      {"403", {status(403)}, true, {1, 5, 0}, {1, 10, 0}},
      {"502", {status(502)}, true, {1, 5, 0}, {1, 10, 0}},
      {"504", {status(504)}, true, {1, 5, 0}, {1, 10, 0}},
      {"silent", {ScriptedAnswer::silent()}, true, {1, 5, 0}, {1, 10, 0}},
      {"503, 429", {status(503), status(429)}, true, {1, 1, 5}, {1, 1, 10}},
      {"unknown account", {unknown}, false, {1, 0, 0}, {2, 0, 0}},
      {"all down", {refused, status(503), refused}, false, {1, 1, 1}, {2, 2, 2}},
  };
  const std::vector<std::string> nodes = {"https://n0", "https://n1", "https://n2"};
  for (const Case& c : cases) {
    const ScriptedExchanges exchanges([&](const test::StartedExchange& started) {
      for (std::size_t i = 0; i < c.answers.size(); ++i) {
        if (started.url.starts_with(nodes[i] + "/")) return c.answers[i];
      }
      const ChainRequest request{started.url.substr(nodes[0].size()), started.body};
      const Delivery healthy = answer(request).delivery;
      return ScriptedAnswer::json(std::get<Reply>(healthy).text);
    });
    ChainSettings settings{ClientSettings{nodes[0], std::chrono::seconds(4), {}, ""},
                           {nodes[1], nodes[2]},
                           std::chrono::milliseconds(300)};
    const ScanContext context{ChainClient(settings, exchanges), "agentrep", thirty_days_later, {}};
    for (const auto* expected : {&c.after_one, &c.after_two}) {
      EXPECT_EQ(scan_token(scan_thresholds, context, "tok").has_value(), c.verdict) << c.name;
      for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(exchanges.started_on(nodes[i]), (*expected)[i]) << c.name << i;
      }
    }
  }
}

TEST_F(ScanTokenTest, AccountReplyThatIsNotJsonStillScans) {
  account_ = std::string("<html><body>Bad gateway</body></html>");
  const std::optional<Verdict> verdict = scan();
  ASSERT_TRUE(verdict);
  EXPECT_FALSE(has_bit(verdict->hazard, 3));
  EXPECT_FALSE(has_bit(verdict->hazard, 4)) << "the creation read got the same page: age unknown";
  EXPECT_EQ(reads().size(), 5U);
}

TEST_F(ScanTokenTest, HistoryFailureChangesNothing) {
  const std::optional<Verdict> with_history = scan();
  for (const Scripted& failure : {Scripted(ReadFailure{}), Scripted("<html></html>")}) {
    history_ = failure;
    const std::optional<Verdict> without = scan();
    ASSERT_TRUE(with_history && without);
    EXPECT_EQ(without->hazard, with_history->hazard);
    EXPECT_EQ(without->severity, with_history->severity);
    EXPECT_EQ(without->level, with_history->level);
  }
}

TEST_F(ScanTokenTest, MarketReadFailureIsDeepButAnUnusableReplyIsThin) {
  markets_reply_ = Scripted(ReadFailure{});
  std::optional<Verdict> verdict = scan();
  ASSERT_TRUE(verdict);
  EXPECT_FALSE(has_bit(verdict->hazard, 0)) << "a failed read counts as depth 10000";

  markets_reply_ = std::string("{\"rows\":[");
  verdict = scan();
  ASSERT_TRUE(verdict);
  EXPECT_TRUE(has_bit(verdict->hazard, 0)) << "an unparsable reply counts as depth 0";
}

TEST_F(ScanTokenTest, CreationReadFailureLeavesTheAgeUnknown) {
  account_ = Scripted(test::account_json("tok", "2024-01-15T10:30:00.000",
                                         {test::permission_json("active", 1, {})}));
  creation_ = Scripted(ReadFailure{});
  const std::optional<Verdict> verdict = scan("tok", {}, created_2024_01_15);
  ASSERT_TRUE(verdict);
  EXPECT_TRUE(has_bit(verdict->hazard, 3)) << "owner privilege comes from the first read";
  EXPECT_FALSE(has_bit(verdict->hazard, 4)) << "age unknown, never fresh";
}

TEST_F(ScanTokenTest, AgeIsMeasuredAgainstTheReferenceTime) {
  std::optional<Verdict> verdict = scan("tok", {}, created_2024_01_15 + 6 * 86400 + 86399);
  ASSERT_TRUE(verdict);
  EXPECT_TRUE(has_bit(verdict->hazard, 4));
  verdict = scan("tok", {}, created_2024_01_15 + 7 * 86400);
  ASSERT_TRUE(verdict);
  EXPECT_FALSE(has_bit(verdict->hazard, 4));
}

TEST_F(ScanTokenTest, ReputationUnavailable) {
  for (const std::string& reply :
       {test::rows_json({}), test::rows_json({test::agentscore_json("tok", "null")})}) {
    reputation_ = reply;
    const std::optional<Verdict> verdict = scan();
    ASSERT_TRUE(verdict);
    EXPECT_EQ(verdict->hazard, REPUTATION_UNREAD) << reply;
  }
  reputation_reply_ = Scripted(ReadFailure{});
  const std::optional<Verdict> verdict = scan();
  ASSERT_TRUE(verdict);
  EXPECT_EQ(verdict->hazard, REPUTATION_UNREAD);
}

TEST_F(ScanTokenTest, PriorRugListIsLookedUpByExactName) {
  std::optional<Verdict> verdict = scan("tok", parse_prior_rugs("tok\n"));
  ASSERT_TRUE(verdict);
  EXPECT_TRUE(has_bit(verdict->hazard, 5));
  verdict = scan("tok", parse_prior_rugs("tok.\nto\ntoka\n"));
  ASSERT_TRUE(verdict);
  EXPECT_FALSE(has_bit(verdict->hazard, 5));
}

// A fact that was not read says so, and which way the verdict took it: the record that /evidence
// shows is the one the verdict is weighed from.
TEST(ScanRecordTest, UnreadFactsSayHowTheVerdictCountedThem) {
  struct Case {
    std::string name;
    std::optional<std::string> markets, creation, reputation;  // none: the read failed
    HazardBits hazard;
    std::string unread;  // the facts left unavailable
    std::string market_counted_as;
  };
  const std::string market = test::rows_json({test::market_row_json(7, "tok", "eosio.token")});
  const std::string account = test::benign_account_json("tok", "2024-01-15T10:30:00.000");
  const std::string scored = test::rows_json({test::agentscore_json("tok", "350")});
  const std::vector<Case> cases = {
      {"market read failed", std::nullopt, account, scored, 0, "market",
       "a market that is not thin: bit 0 not set"},
      {"market reply HTML", "<html>502</html>", account, scored, LIQUIDITY_THIN, "market",
       "no usable market: liquidity thin, bit 0 set"},
      {"reputation not JSON", market, account, "<html></html>", REPUTATION_UNREAD, "reputation",
       ""},
      {"reputation without a row: read, no score", market, account, test::rows_json({}),
       REPUTATION_UNREAD, "", ""},
      {"created time malformed", market,
       test::benign_account_json("tok", "2024-13-01T00:00:00.000"), scored, 0, "creation", ""},
      {"creation read failed", market, std::nullopt, scored, 0, "creation", ""},
      {"reputation read failed", market, account, std::nullopt, REPUTATION_UNREAD, "reputation",
       ""},
      {"the token's first market inactive: the first row naming it decides",
       test::rows_json({test::market_row_json(3, "other", "eosio.token"),
                        test::market_row_json(4, "eosio.token", "tok", "2"),
                        test::market_row_json(5, "tok", "eosio.token")}),
       account, scored, LIQUIDITY_THIN, "", ""},
  };
  const ScanContext context{ChainClient(ClientSettings{}), "agentrep", thirty_days_later, {}};
  for (const Case& c : cases) {
    auto read = [](const std::optional<std::string>& reply) {
      return reply ? Reading{*reply, "https://node", {}}
                   : Reading{std::nullopt, "", reason(ReasonCode::read_failed, "read failed")};
    };
    const ScanReplies replies{account,          "https://node",          read(c.markets),
                              read(c.creation), read(std::string("{}")), read(c.reputation)};
    JsonReader reader;
    const ScanRecord record = scan_record(reader, context, "tok", replies, ActivityReading::skip);
    EXPECT_EQ(scan_verdict(record, scan_thresholds).hazard, c.hazard) << c.name;
    EXPECT_EQ(verdict_outcome(reader, context, "tok", replies), scan_outcome(record)) << c.name;
    std::string unread;
    for (const auto& [name, why] :
         {std::pair{"market", &record.market.why}, std::pair{"creation", &record.creation.why},
          std::pair{"reputation", &record.reputation.why}}) {
      if (!why->empty()) unread += name;
    }
    EXPECT_EQ(unread, c.unread) << c.name;
    if (!c.market_counted_as.empty()) {
      EXPECT_EQ(market_counted_as(record.market), c.market_counted_as) << c.name;
    }
  }
}

}  // namespace
}  // namespace tarnwick

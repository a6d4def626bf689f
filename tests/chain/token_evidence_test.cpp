#include "chain/token_evidence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assess/evidence_json.h"
#include "assess/known_tokens.h"
#include "assess/scan_record.h"
#include "chain/code_hash_reply.h"
#include "chain/creator_reply.h"
#include "chain/currency_stats_reply.h"
#include "chain/read_session.h"
#include "chain/stat_scopes_reply.h"
#include "chain/top_holders_reply.h"
#include "chain/xpr_replies.h"
#include "common/account_name.h"
#include "common/json_reader.h"
#include "support/memory_transport.h"

namespace tarnwick {
namespace {

using test::Scripted;

constexpr std::string_view build_2023 =
    "ea0f6aa5e2b023f230c39cd72498457f40629bb2b161f387a17465b1657b26ed";

// A history reply of the token's own actions, each {"@timestamp", act.name}, newest first.
std::string token_actions_json(const std::vector<std::pair<std::string, std::string>>& actions) {
  std::string out = R"({"query_time_ms":4.0,"total":{"value":2,"relation":"eq"},"actions":[)";
  for (std::size_t i = 0; i < actions.size(); ++i) {
    if (i > 0) out += ',';
    out += R"({"@timestamp":")" + actions[i].first +
           R"(","block_num":1,"act":{"account":"tok",)"
           R"("name":")" +
           actions[i].second + R"(","authorization":[],"data":{}}})";
  }
  return out + "]}";
}

class TokenEvidenceTest : public ::testing::Test {
 public:  // the tables of the tests below name the replies by member pointer
  std::optional<TokenEvidence> gather(std::optional<std::string> symbol = std::nullopt) {
    token_accounts_ = 0;
    transport_ = std::make_unique<test::MemoryTransport>([this](const ChainRequest& request) {
      const std::string path = request.path.substr(0, request.path.find('?'));
      const std::string body = request.body.value_or("");
      if (path == "/v1/chain/get_account") {
        if (body.find("\"tok\"") == std::string::npos) return issuer_;
        return ++token_accounts_ == 2 && creation_ ? *creation_ : account_;
      }
      if (path == "/v2/history/get_creator") return creator_;
      if (path == "/v1/chain/get_table_rows") {
        if (body.find("token.proton") != std::string::npos) return registry_;
        return body.find("\"markets\"") != std::string::npos ? markets_ : reputation_;
      }
      if (path == "/v2/history/get_actions") return history_;
      if (path == "/v1/chain/get_table_by_scope") return scopes_;
      if (path == "/v1/chain/get_currency_stats") return stats_;
      if (path == "/v2/state/get_top_holders") return holders_;
      if (path == "/v1/chain/get_code_hash") return code_;
      return Scripted(RouteMissing{});
    });
    const ScanContext context{ChainClient(ClientSettings{}), "agentrep",
                              test::created_2024_01_15 + 30 * 86400,
                              parse_prior_rugs("x\nrugmaker\n"), known_};
    JsonReader reader;
    ReadSession session(*transport_, reader, evidence_budget());
    return gather_evidence(scan_thresholds, context, "tok", symbol, session);
  }

  std::unique_ptr<test::MemoryTransport> transport_;  // of the last gathering
  int token_accounts_ = 0;                            // the token's account reads so far
  Scripted account_ = Scripted(test::benign_account_json("tok", "2024-01-15T10:30:00.000"));
  std::optional<Scripted> creation_;  // the second account read, when not account_
  Scripted markets_ = Scripted(test::rows_json({test::market_row_json(7, "tok", "eosio.token")}));
  Scripted reputation_ = Scripted(test::rows_json({test::agentscore_json("tok", "350")}));
  Scripted history_ = Scripted(token_actions_json({{"2025-06-01T11:30:00.500", "issue"},
                                                   {"2025-06-01T11:30:00.000", "transfer"},
                                                   {"2025-06-01T10:59:59.000", "transfer"}}));
  Scripted scopes_ = Scripted(test::stat_scopes_json("tok", {"........dhbp4"}));
  Scripted stats_ =
      Scripted(test::currency_stats_json("TOK", "1000.0000 TOK", "4000.0000 TOK", "tok"));
  Scripted holders_ = Scripted(test::top_holders_json(
      "tok", "TOK", {{"dex", "600"}, {"tok", "300.5"}, {"alice", "0.00005"}}));
  Scripted code_ = Scripted(test::code_hash_json("tok", build_2023));
  Scripted registry_ = Scripted(test::rows_json({}));
  KnownTokens known_;
  Scripted issuer_ = Scripted(test::account_json(
      "founder", "2024-02-13T10:30:00.000",
      {test::permission_json("owner", 1, {}), test::permission_json("active", 1, {})}));
  Scripted creator_ =
      Scripted(R"({"query_time_ms":0.27,"cached":true,"account":"tok","creator":"rugmaker",)"
               R"("timestamp":"2024-01-15T10:30:00.000","block_num":2995721,"trx_id":"5e38"})");
};

TEST_F(TokenEvidenceTest, TwelveReadsWithTheirBodies) {
  stats_ = Scripted(test::currency_stats_json("TOK", "1000.0000 TOK", "4000.0000 TOK", "founder"));
  const std::optional<TokenEvidence> evidence = gather();
  ASSERT_TRUE(evidence);
  // Which reads start together is the plan's (EvidencePlan); here, what each asks the node.
  std::vector<std::string> bodies;
  for (const std::vector<ChainRequest>& batch : transport_->batches()) {
    for (const ChainRequest& request : batch) bodies.push_back(request.body.value_or(""));
  }
  ASSERT_EQ(bodies.size(), 12U);
  EXPECT_NE(std::find(bodies.begin(), bodies.end(), R"({"account_name":"founder"})"), bodies.end());

  // The replies as the readers see them (the arithmetic is in the pure tables): the holders'
  // JSON amounts, two actions in the same second, the published build's hash.
  ASSERT_EQ(evidence->holders.holders.size(), 3U);
  EXPECT_EQ(evidence->holders.holders[1].amount, "300.5000 TOK");
  EXPECT_EQ(evidence->scan.activity.per_hour, 2U);
  EXPECT_EQ(evidence->code.build, "2023");
  EXPECT_EQ(evidence->creator.account, "rugmaker");
  EXPECT_TRUE(evidence->creator.listed);
  EXPECT_EQ(evidence->subject, Subject::contract) << "one symbol: the contract is judged";
  EXPECT_FALSE(has_bit(evidence->measured.hazard, 5)) << "the creator counts for a shared token";
}

// A shared contract leaves supply and holders unavailable with its symbols, even when a market row
// names one of them; a symbol it does not hold is said so; a list that could not be read chooses
// nothing and is never "not shared". (The choice itself: ChooseSymbol.)
TEST_F(TokenEvidenceTest, ASharedContractIsNeverChosenForSilently) {
  const Scripted two = Scripted(test::stat_scopes_json("tok", {"........dhbp4", "........edc5c"}));
  struct Case {
    Scripted scopes;
    std::optional<std::string> requested;
    std::string why;
    Subject subject;
  };
  const std::vector<Case> cases = {
      {two, std::nullopt, "the contract holds several token symbols", Subject::contract},
      {two, "ABC", "the contract holds no such symbol", Subject::contract},
      {Scripted(ReadFailure{}), std::nullopt,
       "the contract's symbols could not be read (read failed)", Subject::both},
  };
  for (const Case& c : cases) {
    scopes_ = c.scopes;
    const std::optional<TokenEvidence> evidence = gather(c.requested);
    ASSERT_TRUE(evidence);
    EXPECT_EQ(evidence->supply.why.text, c.why);
    EXPECT_FALSE(evidence->holders.why.empty());
    EXPECT_EQ(evidence->subject, c.subject);
    EXPECT_EQ(evidence->shared.has_value(), c.subject != Subject::both);
  }
}

// A token of a shared contract is judged by its issuer and the contract's creator; the contract's
// code still counts, and the verdict of /scan stays the contract's.
TEST_F(TokenEvidenceTest, ASharedTokenIsJudgedByItsIssuerAndCreator) {
  scopes_ = Scripted(test::stat_scopes_json("tok", {"........dhbp4", "........edc5c"}));
  stats_ = Scripted(test::currency_stats_json("TOK", "1000.0000 TOK", "4000.0000 TOK", "founder"));
  account_ = Scripted(test::account_json("tok", "2024-01-15T10:30:00.000",
                                         {test::permission_json("owner", 1, {}),
                                          test::permission_json("active", 0, {"eosio.prods"})}));
  // The founder's account was made a day before the reference time.
  std::optional<TokenEvidence> evidence = gather("TOK");
  ASSERT_TRUE(evidence);
  EXPECT_EQ(evidence->subject, Subject::issuer);
  EXPECT_EQ(evidence->verdict.hazard, OWNER_KEYS) << "the scan's verdict is the contract's";
  EXPECT_EQ(evidence->issuer.name, "founder");
  EXPECT_EQ(evidence->issuer.age_days, 1U);
  EXPECT_TRUE(evidence->issuer.privileged);
  EXPECT_TRUE(evidence->issuer.has_code);
  EXPECT_EQ(evidence->measured.hazard & (OWNER_KEYS | DEPLOYER_FRESH | DEPLOYER_PRIOR_RUG),
            OWNER_KEYS | DEPLOYER_FRESH | DEPLOYER_PRIOR_RUG);
  EXPECT_EQ(measured_bits_in(*evidence, FactName::issuer), DEPLOYER_FRESH);
  EXPECT_EQ(measured_bits_in(*evidence, FactName::creator), DEPLOYER_PRIOR_RUG);
  EXPECT_EQ(measured_bits_in(*evidence, FactName::creation), 0U);

  // The symbols unread: judged as both the contract and the issuer, never fewer bits than either.
  const Scripted scopes = scopes_;
  scopes_ = Scripted(ReadFailure{});
  evidence = gather("TOK");
  ASSERT_TRUE(evidence);
  EXPECT_EQ(evidence->shared, std::nullopt);
  EXPECT_EQ(evidence->subject, Subject::both);
  EXPECT_EQ(evidence->measured.hazard & (OWNER_KEYS | DEPLOYER_FRESH | DEPLOYER_PRIOR_RUG),
            OWNER_KEYS | DEPLOYER_FRESH | DEPLOYER_PRIOR_RUG);
  scopes_ = scopes;

  // The issuer and creator reads failing, or a node without the creator route: the issuer's age
  // is unread, its name and listing still count.
  issuer_ = Scripted(ReadFailure{});
  creator_ = Scripted(RouteMissing{});
  evidence = gather("TOK");
  ASSERT_TRUE(evidence);
  EXPECT_EQ(evidence->issuer.account_why.text, "read failed");
  EXPECT_FALSE(evidence->creator.why.empty());
  EXPECT_FALSE(has_bit(evidence->measured.hazard, 4));
  EXPECT_FALSE(has_bit(evidence->measured.hazard, 5));
  stats_ = Scripted(test::currency_stats_json("TOK", "1000.0000 TOK", "4000.0000 TOK", "rugmaker"));
  evidence = gather("TOK");
  ASSERT_TRUE(evidence);
  EXPECT_TRUE(evidence->issuer.listed);
  EXPECT_TRUE(has_bit(evidence->measured.hazard, 5)) << "a listed issuer stays listed";
  creator_ = Scripted(R"({"error":"account not found"})");
  evidence = gather("TOK");
  ASSERT_TRUE(evidence);
  EXPECT_EQ(evidence->creator.why.text, "the history node has no creator for this account");
}

// The creation read failing: the scan's verdict keeps the unknown age, the measured verdict takes
// the created time the first account reply gave.
TEST_F(TokenEvidenceTest, AFailedCreationReadFallsBackToTheFirstReplyForTheMeasuredVerdict) {
  account_ = Scripted(test::benign_account_json("tok", "2024-02-12T10:30:00.000"));
  creation_ = Scripted(ReadFailure{});
  const std::optional<TokenEvidence> evidence = gather();
  ASSERT_TRUE(evidence);
  EXPECT_FALSE(has_bit(evidence->verdict.hazard, 4));
  EXPECT_TRUE(has_bit(evidence->measured.hazard, 4));
  EXPECT_EQ(evidence->scan.creation.first_reply_age_days, 2U);
}

// The activity of a shared contract's token counts only its own actions, in either data form.
TEST_F(TokenEvidenceTest, ActivityOfOneSymbol) {
  scopes_ = Scripted(test::stat_scopes_json("tok", {"........dhbp4", "........edc5c"}));
  const auto action = [](std::string data) {
    return R"({"@timestamp":"2025-06-01T11:30:00.000","act":{"account":"tok","name":"transfer",)"
           R"("data":)" +
           data + "}}";
  };
  history_ = Scripted(R"({"actions":[)" + action(R"({"quantity":"1.0000 TOK"})") + "," +
                      action(R"({"symbol":"4,TOK"})") + "," + action(R"({"symbol":"TOK"})") + "," +
                      action(R"({"quantity":"1.0000 XPR"})") + "," +
                      action(R"({"symbol":"4,XPR"})") + "]}");
  std::optional<TokenEvidence> evidence = gather("TOK");
  ASSERT_TRUE(evidence);
  EXPECT_EQ(evidence->scan.activity.per_hour, 3U);
  EXPECT_EQ(evidence->scan.activity.symbol_actions, 3U);
  scopes_ = Scripted(test::stat_scopes_json("tok", {"........dhbp4"}));
  evidence = gather();
  ASSERT_TRUE(evidence);
  EXPECT_EQ(evidence->scan.activity.per_hour, 5U) << "one symbol: every action of the contract";
  EXPECT_EQ(evidence->scan.activity.symbol_actions, std::nullopt);
}

// A fact read in part says what it missed and how the verdicts took it, shows only what it read,
// and the measured verdict counts that: a keyed owner beside an active permission without its
// authority; 80 actions in the hour beside two whose time does not read.
TEST_F(TokenEvidenceTest, FactsReadInPartShowWhatWasRead) {
  account_ = Scripted(test::account_json(
      "tok", "2024-01-15T10:30:00.000",
      {test::permission_json("owner", 1, {}), R"({"perm_name":"active","parent":"owner"})"}));
  std::vector<std::pair<std::string, std::string>> actions(80, {"2025-06-01T11:30:00.000", "mint"});
  actions.insert(actions.end(), {{"an hour ago", "mint"}, {"", "mint"}});
  history_ = Scripted(token_actions_json(actions));
  const std::string answer = evidence_json("tok", "node", gather().value());
  for (const std::string part :
       {R"("permissions":{"status":"partly","why":"reply without both its owner and active )"
        R"(permissions read whole","counted_as":"privileged, as a permission read shows: bit )"
        R"(3 set","hazard_bits":[3],"measured_bits":[3],"node":)",
        R"(,"permissions":[{"name":"owner","parent":"","keys":1,"accounts":[],"privileged":true}],)"
        R"("code_setters":[{"name":"owner","parent":"","keys":1,"accounts":[],)"
        R"("privileged":true,"via":"parent of active"}],)",
        R"("activity":{"status":"partly","why":"actions without a readable time","counted_as":)"
        R"("outside the hour: bit 2 of the measured verdict counts only the actions whose time )"
        R"(was read","hazard_bits":[],"measured_bits":[2],"node":)",
        R"(,"per_hour":80,)", R"("activity_measured":true,)"}) {
    EXPECT_NE(answer.find(part), std::string::npos) << part << "\n" << answer;
  }
}

// Each failing or unusable reply of the new reads leaves its own fact unavailable, and only it.
TEST_F(TokenEvidenceTest, FailedNewReadsLeaveTheirFactUnavailable) {
  struct Case {
    std::string name;
    Scripted TokenEvidenceTest::*read;
    Scripted reply;
    bool supply_read, holders_read, code_read;
  };
  const std::vector<Case> cases = {
      {"stats {}: no such symbol", &TokenEvidenceTest::stats_, Scripted("{}"), false, false, true},
      {"stats 500", &TokenEvidenceTest::stats_, Scripted(ReadFailure{}), false, false, true},
      {"holders without state index", &TokenEvidenceTest::holders_,
       Scripted(R"({"error":"state index disabled"})"), true, false, true},
      {"holders on an older node", &TokenEvidenceTest::holders_, Scripted(RouteMissing{}), true,
       false, true},
      {"holders not indexed yet", &TokenEvidenceTest::holders_,
       Scripted(test::top_holders_json("tok", "TOK", {})), true, false, true},
      {"code 400", &TokenEvidenceTest::code_, Scripted(ReadFailure{}), true, true, false},
      {"code without hash", &TokenEvidenceTest::code_, Scripted(R"({"account_name":"t"})"), true,
       true, false},
  };
  for (const Case& c : cases) {
    const Scripted kept = this->*c.read;
    this->*c.read = c.reply;
    const std::optional<TokenEvidence> evidence = gather();
    this->*c.read = kept;
    ASSERT_TRUE(evidence) << c.name;
    EXPECT_EQ(evidence->supply.why.empty(), c.supply_read) << c.name;
    EXPECT_EQ(evidence->holders.why.empty(), c.holders_read) << c.name;
    EXPECT_EQ(evidence->code.why.empty(), c.code_read) << c.name;
    EXPECT_EQ(evidence->holders_measured, c.holders_read) << c.name;
    if (!c.holders_read) {
      EXPECT_EQ(evidence->measured.hazard, evidence->verdict.hazard) << c.name;
    }
  }
}

// A token carrying a known token's symbol is judged by that alone, and by a blacklisted registry
// row; its own known token is never an impostor; a registry that could not be read is never "not
// registered".
TEST_F(TokenEvidenceTest, ABorrowedSymbolWarnsOnItsOwn) {
  std::uint64_t code = 0;
  for (std::size_t i = 0; i < 5; ++i)
    code |= static_cast<std::uint64_t>("XUSDC"[i] & 0xFF) << (8 * i);
  scopes_ = test::stat_scopes_json("tok", {decode_account_name(code)});
  const std::string row = R"({"id":"3","tcontract":"tok","tname":"USD Coin","url":"","desc":"",)"
                          R"("iconurl":"","symbol":"6,XUSDC","blisted":1})";
  const struct {
    std::string name;
    Scripted registry;
    std::string known_file;
    std::string status;
    HazardBits bits;
  } cases[] = {
      {"an impostor, blacklisted", test::rows_json({row}), "", "read",
       SYMBOL_BORROWED | REGISTRY_BLACKLISTED},
      {"an impostor, its registry unread", Scripted(ReadFailure{}), "", "partly", SYMBOL_BORROWED},
      {"the known token itself, not registered", test::rows_json({}), "tok XUSDC\n", "read", 0},
  };
  for (const auto& c : cases) {
    registry_ = c.registry;
    known_ = parse_known_tokens(c.known_file);
    const std::optional<TokenEvidence> evidence = gather(std::string("XUSDC"));
    ASSERT_TRUE(evidence) << c.name;
    const SymbolElsewhereFact& fact = evidence->symbol_elsewhere;
    EXPECT_EQ(fact.why.empty() ? "read"
              : fact.partly    ? "partly"
                               : "unavailable",
              c.status)
        << c.name << ": " << fact.why.text;
    EXPECT_EQ(fact.borrows, c.bits != 0) << c.name;
    EXPECT_EQ(fact.registry.has_value(), c.status == "read") << c.name;
    EXPECT_EQ(evidence->measured.hazard & (SYMBOL_BORROWED | REGISTRY_BLACKLISTED), c.bits)
        << c.name;
    EXPECT_EQ(evidence->measured.level != RiskLevel::NO_RISK_FOUND, c.bits != 0) << c.name;
  }
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
      if (body.find("token.proton") != std::string::npos) return "registry";
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
      {"registry", test::rows_json({})},
  };
  using test::MemoryTransport;
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
      {"market", std::nullopt, 12, market, ReasonCode::read_failed},
      {"market", "<html>", 12, market, ReasonCode::not_json},
      {"get_table_by", std::nullopt, 12, supply, ReasonCode::not_chosen},
      {"get_table_by", std::nullopt, 12, holders, ReasonCode::input_unread},
      {"get_currency", "{}", 12, supply, ReasonCode::not_held},
      {"get_currency", std::nullopt, 12, holders, ReasonCode::input_unread},
      {"get_top_hold", R"({"error":"no state"})", 12, holders, ReasonCode::absent_at_node},
      {"issuer", std::nullopt, 12, issuer, ReasonCode::read_failed},
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
    transport.latency = std::chrono::milliseconds(100);
    JsonReader reader;
    ReadSession session(transport, reader, ReadBudget{c.max_reads, std::chrono::hours(1)});
    const std::optional<TokenEvidence> evidence =
        gather_evidence(scan_thresholds, context, "tok", std::nullopt, session);
    ASSERT_TRUE(evidence) << c.read;
    EXPECT_EQ(c.fact(*evidence).code, c.code) << c.read << " " << c.fact(*evidence).text;
    if (c.read != "market" || c.reply) continue;
    // The reads that begin together, each a round trip: the account alone; four of those that
    // need only the token's name, the market and the symbols first; the other three beside the
    // supply, which needs only those two; then what the supply names.
    std::vector<std::vector<std::string>> rounds;
    for (const std::vector<ChainRequest>& round : transport.rounds()) {
      rounds.emplace_back();
      for (const ChainRequest& request : round) rounds.back().push_back(read_name(request));
    }
    EXPECT_EQ(rounds, (std::vector<std::vector<std::string>>{
                          {"account"},
                          {"market", "get_table_by", "account", "get_actions?"},
                          {"reputation", "get_code_has", "get_creator?", "get_currency"},
                          {"registry", "get_top_hold", "issuer"}}));
  }
}

}  // namespace
}  // namespace tarnwick

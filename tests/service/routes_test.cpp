#include "service/routes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "chain/xpr_replies.h"
#include "service/cockpit/cockpit_page.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"
#include "support/scoped_env.h"
#include "support/service_process.h"
#include "support/serving_harness.h"

namespace tarnwick {
namespace {

class RouterTest : public ::testing::Test {
 protected:
  Response answer(std::string_view request) const { return answer_request(request, context_); }
  const ScanContext context_ = unreachable_node_context();
};

TEST_F(RouterTest, RouteTable) {
  struct Case {
    std::string target;
    std::string_view status;
    std::string_view content_type;
    std::string body;
  };
  const std::string page(cockpit_page());
  const std::vector<Case> cases = {
      {"/health", status_ok, content_type_text, "ok"},
      {"/healthz", status_ok, content_type_text, "ok"},
      {"/health?x=1", status_ok, content_type_text, "ok"},
      {"/health/../scan?token=abc", status_ok, content_type_text, "ok"},
      {"/", status_ok, content_type_html, page},
      {"/index.html", status_ok, content_type_html, page},
      {"/index.html?x=1", status_ok, content_type_html, page},
      {"/?token=abc", status_ok, content_type_html, page},
      {"/?x=1?y=2", status_ok, content_type_html, page},
      {"/Health", status_not_found, content_type_text, "not found"},
      {"/INDEX.HTML", status_not_found, content_type_text, "not found"},
      {"/index.htm", status_not_found, content_type_text, "not found"},
      {"//", status_not_found, content_type_text, "not found"},
      {"/Scan?token=abc", status_not_found, content_type_text, "not found"},
      {"/favicon.ico", status_not_found, content_type_text, "not found"},
      {"", status_not_found, content_type_text, "not found"},
      {"*", status_not_found, content_type_text, "not found"},
  };
  for (const Case& c : cases) {
    const Response response = answer(get_request(c.target));
    EXPECT_EQ(response.status, c.status) << c.target;
    EXPECT_EQ(response.content_type, c.content_type) << c.target;
    EXPECT_EQ(response.body, c.body) << c.target;
  }
}

TEST_F(RouterTest, RoutesThatReadOutsideRefuseOtherSites) {
  for (const char* target :
       {"/scan?token=abc", "/oracle?token=abc", "/update", "/evidence?token=abc",
        "/liquidity?token=abc", "/sell?token=abc", "/symbol?symbol=ABC"}) {
    const Response response = answer("GET " + std::string(target) +
                                     " HTTP/1.1\r\nHost: localhost:8070\r\n"
                                     "Sec-Fetch-Site: cross-site\r\n\r\n");
    EXPECT_EQ(response.status, status_forbidden) << target;
    EXPECT_EQ(response.body, "forbidden origin") << target;
  }
}

TEST_F(RouterTest, TwoSpacesAfterGetMeanTheEmptyTarget) {
  const Response response = answer("GET  /health HTTP/1.1\r\nHost: localhost:8070\r\n\r\n");
  EXPECT_EQ(response.status, status_not_found);
  EXPECT_EQ(response.body, "not found");
}

TEST_F(RouterTest, NoSecondPieceMeansThePage) {
  const Response response = answer("GET\r\nHost: 127.0.0.1:8070\r\n\r\n");
  EXPECT_EQ(response.status, status_method_not_allowed);  // "GET" alone fails the method guard
  const Response bare = answer("GET \r\nHost: 127.0.0.1:8070\r\n\r\n");
  EXPECT_EQ(bare.status, status_not_found);  // an empty second piece, not a missing one
}

TEST_F(RouterTest, GuardsComeFirstMethodBeforeHost) {
  struct Case {
    std::string request;
    std::string_view status;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"POST /scan?token=abc HTTP/1.1\r\nHost: localhost:8070\r\n\r\n", status_method_not_allowed,
       "method not allowed"},
      {"HEAD / HTTP/1.1\r\nHost: localhost:8070\r\n\r\n", status_method_not_allowed,
       "method not allowed"},
      {"POST / HTTP/1.1\r\nHost: evil.example\r\n\r\n", status_method_not_allowed,
       "method not allowed"},
      {"get /health HTTP/1.1\r\nHost: localhost:8070\r\n\r\n", status_method_not_allowed,
       "method not allowed"},
      {"", status_method_not_allowed, "method not allowed"},
      {"GET /health HTTP/1.1\r\nHost: evil.example\r\n\r\n", status_forbidden, "forbidden host"},
      {"GET /health HTTP/1.1\r\n\r\n", status_forbidden, "forbidden host"},
      {"GET /health HTTP/1.1\r\nHost: localhost:8070\r\nX: \xFF\r\n\r\n", status_forbidden,
       "forbidden host"},
      {"GET /health HTTP/1.1\r\n", status_forbidden, "forbidden host"},
  };
  for (const Case& c : cases) {
    const Response response = answer(c.request);
    EXPECT_EQ(response.status, c.status) << c.request;
    EXPECT_EQ(response.content_type, content_type_text) << c.request;
    EXPECT_EQ(response.body, c.body) << c.request;
  }
}

// Points HOME at a scratch home holding the data folder for one test, and puts it back afterwards.
class TemporaryHome {
 public:
  TemporaryHome() { std::filesystem::create_directories(data_folder()); }
  std::filesystem::path data_folder() const {
    return scratch_.home() / "Library/Application Support/tarnwick";
  }

 private:
  const test::ScratchHome scratch_;
  const test::ScopedEnv home_{"HOME", scratch_.home().string()};
};

TEST(UpdateRoute, AnswersTheNoticeForTheExactPathWithAnyQuery) {
  TemporaryHome home;
  std::filesystem::create_directory(home.data_folder() / "no-update-check");
  const ScanContext context = unreachable_node_context();
  const ServingHarness service(context);
  for (const char* target : {"/update", "/update?x=1"}) {
    const HttpAnswer answer = parse_answer(service.exchange(get_request(target)));
    EXPECT_EQ(answer.status_line, "HTTP/1.1 200 OK") << target;
    EXPECT_EQ(answer.header("Content-Type"), "application/json");
    EXPECT_EQ(answer.body, R"({"available":false,"current":"0.1.1"})");
  }
  EXPECT_EQ(parse_answer(service.exchange(get_request("/updates"))).status_line,
            "HTTP/1.1 404 Not Found");
}

// /scan and /oracle end to end: HTTP into the real serving loop, the scan's reads over real TLS
// to a scripted fake node, and the bytes of the answer.
using test::FakeNode;
using test::FakeReply;
using test::RecordedRequest;

using test::created_2024_01_15;

const std::string no_data_message_text =
    "couldn't read this token from the XPR network (it may not exist, or the network is "
    "unreachable) \u2014 no verdict; don't trade blind";

// What the scripted node answers to each read of a scan.
struct NodeScript {
  FakeReply account = FakeReply::json(test::benign_account_json("tok", "2024-01-15T10:30:00.000"));
  FakeReply markets =
      FakeReply::json(test::rows_json({test::market_row_json(7, "tok", "eosio.token")}));
  FakeReply history = FakeReply::json(test::actions_json("tok"));
  FakeReply reputation = FakeReply::json(test::rows_json({test::agentscore_json("tok", "350")}));
  FakeReply stats =
      FakeReply::json(test::currency_stats_json("TOK", "1000.0000 TOK", "0.0000 TOK", "tok"));
  FakeReply holders = FakeReply::json(
      test::top_holders_json("tok", "TOK", {{"tok", "700"}, {R"(<b>\"x)", "12.5"}}));
  FakeReply code = FakeReply::json(test::code_hash_json("tok", std::string(64, 'a')));
  FakeReply scopes = FakeReply::json(test::stat_scopes_json("tok", {"........dhbp4"}));
  FakeReply creator = FakeReply::json(R"({"account":"tok","creator":"founder",)"
                                      R"("timestamp":"2024-01-15T10:30:00.000"})");
  FakeReply registry = FakeReply::json(
      test::rows_json({R"({"id":9,"tcontract":"tok","tname":"Tok","url":"","desc":"",)"
                       R"("iconurl":"","symbol":"4,TOK","blisted":0})"}));
};

class VerdictRoutesTest : public ::testing::Test {
 protected:
  explicit VerdictRoutesTest(std::uint64_t reference_time = created_2024_01_15 + 30 * 86400,
                             PriorRugList rugs = {})
      : context_{ChainClient(test::client_settings(node_)), "agentrep", reference_time,
                 std::move(rugs)},
        service_(context_) {
    script(NodeScript{});
  }

  void script(const NodeScript& replies) {
    node_.set_handler([replies](const RecordedRequest& request) {
      const std::string path = request.path();
      if (path == "/v1/chain/get_account") return replies.account;
      if (path == "/v2/history/get_actions") return replies.history;
      if (path == "/v1/chain/get_currency_stats") return replies.stats;
      if (path == "/v2/state/get_top_holders") return replies.holders;
      if (path == "/v1/chain/get_code_hash") return replies.code;
      if (path == "/v1/chain/get_table_by_scope") return replies.scopes;
      if (path == "/v2/history/get_creator") return replies.creator;
      if (path == "/v1/chain/get_table_rows") {
        if (request.body.find("token.proton") != std::string::npos) return replies.registry;
        return request.body.find("\"agentscores\"") != std::string::npos ? replies.reputation
                                                                         : replies.markets;
      }
      return FakeReply::json("{}", 404);
    });
  }

  HttpAnswer get(std::string_view target) const {
    return parse_answer(service_.exchange(get_request(target)));
  }

  FakeNode node_;
  ScanContext context_;
  ServingHarness service_;
};

void expect_framed(const HttpAnswer& answer, std::string_view status,
                   std::string_view content_type) {
  ASSERT_TRUE(answer.complete);
  EXPECT_EQ(answer.status_line, "HTTP/1.1 " + std::string(status));
  EXPECT_EQ(answer.header("Content-Type"), std::string(content_type));
  EXPECT_EQ(answer.header("Content-Length"), std::to_string(answer.body.size()));
}

TEST_F(VerdictRoutesTest, BenignTokenWholeAnswers) {
  HttpAnswer answer = get("/scan?token=tok");
  expect_framed(answer, "200 OK", "application/json");
  EXPECT_EQ(answer.body,
            R"({"token":"tok","level":"NO_RISK_FOUND","severity":0,"hazard":0,"unverified":true,)"
            R"("block":false,"alert":"+-- TARNWICK v0.1.0 --- XPR-MAINNET-L1 ---\n)"
            R"(| token      : tok\n| assessment : NO_RISK_FOUND\n| severity   : 0\n)"
            R"(| hazard     : 0b00000000\n| reasons    :\n)"
            "|   (none fired \u2014 no structural conditions detected)\\n"
            "| note       : some inputs unverified \u2014 treat as incomplete\\n"
            "| disclaimer : structural risk only \u00b7 not financial advice \u00b7 DYOR\\n"
            R"(+--------------------------------------------------------------\n"})");
  // Content-Length counts bytes: two em dashes (3 bytes each), two middle dots (2 bytes each).
  EXPECT_EQ(answer.header("Content-Length"), std::to_string(answer.body.size()));
  EXPECT_EQ(node_.requests().size(), 5U);

  answer = get("/oracle?token=tok");
  expect_framed(answer, "200 OK", "text/plain");
  EXPECT_EQ(answer.body, "[OK] tok NO_RISK_FOUND sev=0 haz=0b00000000 (unverified)");
  EXPECT_EQ(node_.requests().size(), 10U);
}

TEST_F(VerdictRoutesTest, EvidenceWholeAnswer) {
  const HttpAnswer answer = get("/evidence?token=tok");
  expect_framed(answer, "200 OK", "application/json; charset=utf-8");
  const std::string node = R"("node":")" + node_.base_url() + R"(")";
  const std::string read = R"({"status":"read","hazard_bits":[],"measured_bits":[],)" + node;
  EXPECT_EQ(
      answer.body,
      R"({"version":1,"token":"tok","symbol":"TOK","shared":false,"subject":"contract",)"
      R"("shared_counted_as":null,)"
      R"("verdict":{"level":"NO_RISK_FOUND","severity":0,"hazard":0,)"
      R"("unverified":true,"block":false,"rests_on":["permissions","market","creation",)"
      R"("prior_rug","reputation"]},"measured":{"level":"NO_RISK_FOUND","severity":2,)"
      R"("hazard":2,"block":false,"holders_measured":true,"activity_measured":true,)"
      R"("rests_on":["permissions","market","creation","prior_rug","reputation","holders",)"
      R"("activity","symbol_elsewhere","symbols"]},"facts":{)"
      R"("permissions":)" +
          read +
          R"(,"permissions":[{"name":"owner","parent":"","keys":0,)"
          R"("accounts":["eosio.prods@active"],"privileged":false},{"name":"active",)"
          R"("parent":"owner","keys":0,"accounts":["eosio.prods@active"],"privileged":false}],)"
          R"("code_setters":[{"name":"owner","parent":"","keys":0,"accounts":["eosio.prods@active"],)"
          R"("privileged":false,"via":"parent of active"},{"name":"active","parent":"owner",)"
          R"("keys":0,"accounts":["eosio.prods@active"],"privileged":false,"via":"the default: )"
          R"(no permission is linked to eosio::setcode or setabi"}],"listed_all":true,"last_code_update":"2024-01-15T10:35:00.000"},)"
          R"("market":)" +
          read +
          R"(,"rows_read":1,"limit_reached":false,"more":false,"row":{"market_id":7,)"
          R"("symbol":"TOK7XPR","status_code":1,"bid_token":{"contract":"tok","symbol":"TOK"},)"
          R"("ask_token":{"contract":"eosio.token","symbol":"XPR"}}},"creation":)" +
          read +
          R"(,"created":"2024-01-15T10:30:00.000","age_days":30,"reference_time":1707906600},)"
          R"("prior_rug":{"status":"read","hazard_bits":[],"measured_bits":[],"node":null,)"
          R"("listed":false,"list_size":0},"reputation":)" +
          read + R"(,"contract":"agentrep","avg_score":350,"score":63},"supply":)" + read +
          R"(,"symbol":"TOK","precision":4,"supply":"1000.0000 TOK","max_supply":"0.0000 TOK",)"
          R"("issuer":"tok","capped":false,"over_cap":false,"headroom_bp":null,)"
          R"("symbols":["TOK"],"symbols_more":false},)"
          R"("holders":{"status":"read","hazard_bits":[],"measured_bits":[1],)" +
          node +
          R"(,"holders":[{"owner":"tok","amount":"700.0000 TOK",)"
          R"("share_bp":7000},{"owner":"<b>\"x","amount":"12.5000 TOK","share_bp":125}],)"
          R"("top10_share_bp":7125,"excluded":["dex","proton.swaps","token.burn"],)"
          R"("threshold":2500},"activity":)" +
          read +
          R"(,"symbol_actions":null,"per_hour":0,"saturated":false,"by_name":{},"newest":null,)"
          R"("threshold":75},"code":)" +
          read + R"(,"hash":")" + std::string(64, 'a') + R"(","has_code":true,"build":null},)" +
          R"("issuer":)" + read +
          R"(,"name":"tok","is_contract":true,"created":"2024-01-15T10:30:00.000",)"
          R"("age_days":30,"has_code":true,"permissions":[{"name":"owner","parent":"","keys":0,)"
          R"("accounts":["eosio.prods@active"],"privileged":false},{"name":"active",)"
          R"("parent":"owner","keys":0,"accounts":["eosio.prods@active"],"privileged":false}],)"
          R"("privileged":false,"listed":false},"creator":)" +
          read + R"(,"account":"founder","created":"2024-01-15T10:30:00.000","listed":false},)" +
          R"("symbol_elsewhere":)" + read +
          R"(,"symbol":"TOK","known":null,"borrows":false,"registry":{"listed":true,"name":"Tok",)"
          R"("blisted":false},"market_contracts":[]}},)" +
          node + "}");
  EXPECT_EQ(node_.requests().size(), 11U);

  NodeScript replies;
  replies.account = FakeReply::json(test::unknown_account_leap4_json(), 400);
  script(replies);
  EXPECT_EQ(get("/evidence?token=tok").body,
            R"({"version":1,"token":"tok","verdict":null,"measured":null,"facts":null,"node":")" +
                node_.base_url() + R"("})");
  EXPECT_EQ(node_.requests().size(), 12U);
}

class MaximalTokenTest : public VerdictRoutesTest {
 protected:
  MaximalTokenTest()
      : VerdictRoutesTest(created_2024_01_15 + 2 * 86400, parse_prior_rugs("tok\n")) {
    NodeScript replies;
    replies.account =
        FakeReply::json(test::account_json("tok", "2024-01-15T10:30:00.000",
                                           {test::permission_json("owner", 0, {"eosio.prods"}),
                                            test::permission_json("active", 1, {})}));
    replies.markets =
        FakeReply::json(test::rows_json({test::market_row_json(7, "eosio.token", "tok", "2")}));
    replies.reputation = FakeReply::json(test::rows_json({test::agentscore_json("tok", "100")}));
    script(replies);
  }
};

TEST_F(MaximalTokenTest, SeverityElevenStaysAWarningAndNeverBlocks) {
  HttpAnswer answer = get("/oracle?token=tok");
  expect_framed(answer, "200 OK", "text/plain");
  EXPECT_EQ(answer.body, "[WARN] tok ELEVATED_RISK_WARNING sev=11 haz=0b01111001 (unverified)");

  answer = get("/scan?token=tok");
  expect_framed(answer, "200 OK", "application/json");
  EXPECT_TRUE(answer.body.starts_with(
      R"({"token":"tok","level":"ELEVATED_RISK_WARNING","severity":11,"hazard":121,)"
      R"("unverified":true,"block":false,"alert":")"))
      << answer.body;
  EXPECT_NE(answer.body.find(R"(| reasons    :\n)"
                             R"(|   [x] liquidity thin / not locked (shallow order book)\n)"
                             R"(|   [x] contract owner retains privilege keys\n)"
                             R"(|   [x] deployer is a fresh/throwaway account\n)"
                             R"(|   [x] deployer has prior rug history\n)"
                             R"(|   [x] low external bot-reputation score\n| note)"),
            std::string::npos)
      << answer.body;
  EXPECT_EQ(answer.body.find("HALT"), std::string::npos);
}

TEST_F(VerdictRoutesTest, UnknownAccountGetsTheNoDataBodiesAfterOneRead) {
  for (const int status : {400, 500}) {  // current nodes answer 400, older ones 500
    NodeScript replies;
    replies.account =
        FakeReply::json(status == 400 ? test::unknown_account_leap4_json()
                                      : test::unknown_account_older_json("nosuch.acct"),
                        status);
    script(replies);
    const std::size_t before = node_.requests().size();

    HttpAnswer answer = get("/scan?token=nosuch.acct");
    expect_framed(answer, "200 OK", "application/json");
    EXPECT_EQ(answer.body, R"({"token":"nosuch.acct","error":")" + no_data_message_text + R"("})");
    EXPECT_EQ(node_.requests().size(), before + 1) << status;

    answer = get("/oracle?token=nosuch.acct");
    expect_framed(answer, "200 OK", "text/plain");
    EXPECT_EQ(answer.body, "[WARN] nosuch.acct NO_DATA " + no_data_message_text + "\n");
    EXPECT_EQ(node_.requests().size(), before + 2) << status;
  }
}

TEST_F(VerdictRoutesTest, MissingTokenIsRefusedBeforeAnyRead) {
  const std::vector<std::string> queries = {
      "",           "?",          "?token=",       "?token=ABC",           "?token=abc.",
      "?tok=abc",   "?token=a-b", "?token=abc%20", "?token=abcdefghijklm", "?Token=abc",
      "?token=a6c", "?x&token",
  };
  for (const std::string& query : queries) {
    HttpAnswer answer = get("/scan" + query);
    expect_framed(answer, "400 Bad Request", "application/json");
    EXPECT_EQ(answer.body, R"({"error":"missing token"})") << query;
    answer = get("/evidence" + query);
    expect_framed(answer, "400 Bad Request", "application/json");
    EXPECT_EQ(answer.body, R"({"error":"missing token"})") << query;
    answer = get("/oracle" + query);
    expect_framed(answer, "400 Bad Request", "text/plain");
    EXPECT_EQ(answer.body, "missing token") << query;
  }
  EXPECT_TRUE(node_.requests().empty());
}

TEST_F(VerdictRoutesTest, TokenRoutesRefuseAMissingTokenOrAnInvalidSymbolBeforeAnyRead) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", R"({"error":"missing token"})"},
      {"?symbol=TOK", R"({"error":"missing token"})"},
      {"?token=tok&symbol=tok", R"({"error":"invalid symbol"})"},
  };
  for (const auto& [query, body] : cases) {
    for (const std::string route : {"/liquidity", "/evidence", "/sell"}) {
      const HttpAnswer answer = get(route + query);
      expect_framed(answer, "400 Bad Request", "application/json");
      EXPECT_EQ(answer.body, body) << route << query;
    }
  }
  for (const auto& [query, body] : std::vector<std::pair<std::string, std::string>>{
           {"", R"({"error":"missing symbol"})"},
           {"?symbol=", R"({"error":"missing symbol"})"},
           {"?symbol=xusdc", R"({"error":"invalid symbol"})"}}) {
    const HttpAnswer answer = get("/symbol" + query);
    expect_framed(answer, "400 Bad Request", "application/json");
    EXPECT_EQ(answer.body, body) << query;
  }
  EXPECT_TRUE(node_.requests().empty());
}

TEST_F(VerdictRoutesTest, PrefixRoutesScanTheQueryToken) {
  EXPECT_EQ(get("/oracle/anything?token=tok").body,
            "[OK] tok NO_RISK_FOUND sev=0 haz=0b00000000 (unverified)");
  EXPECT_TRUE(get("/scanner?token=tok").body.starts_with(R"({"token":"tok","level":)"));
  // /oracle is tried before /scan, and the first token piece is the one read.
  EXPECT_TRUE(get("/oracle?token=tok&token=other").body.starts_with("[OK] tok "));
  const std::vector<RecordedRequest> requests = node_.requests();
  ASSERT_EQ(requests.size(), 15U);
  EXPECT_EQ(requests.back().body,
            R"({"json":true,"code":"agentrep","scope":"agentrep","table":"agentscores",)"
            R"("lower_bound":"tok","upper_bound":"tok","limit":1})");
}

// Replies of any shape, on every read, end in a verdict from the unusable values (depth 0,
// age unknown, no reputation: bits 0 and 7), never in a crash; the service keeps serving.
TEST_F(VerdictRoutesTest, HostileRepliesEndInTheUnusableValues) {
  using namespace std::string_literals;
  const std::vector<std::string> bodies = {
      "",
      "<html><body>502 Bad Gateway</body></html>",
      "null",
      R"({"rows":"nope","permissions":7,"created":2024})",
      R"({"rows":[{"bid_token":{"contract":"tok"},"status_code":1e999}]})",
      R"({"rows":[{"avg_score":-18446744073709551617}],"created":"2024-01-15T10:30:00)",
      "{\"created\":\"2024-01-15\0T10:30:00\",\"rows\":[]}"s,
      "{\"created\":\"\xff\xfe\x80\",\"rows\":[{\"avg_score\":\"\xc3\"}]}",
      std::string(200000, '[') + std::string(200000, ']'),
      std::string(3 << 20, '{'),
  };
  for (const std::string& body : bodies) {
    NodeScript replies;
    replies.account = replies.markets = replies.history = replies.reputation =
        FakeReply::json(body);
    script(replies);
    const HttpAnswer answer = get("/oracle?token=tok");
    expect_framed(answer, "200 OK", "text/plain");
    EXPECT_EQ(answer.body, "[WARN] tok ELEVATED_RISK_WARNING sev=3 haz=0b10000001 (unverified)")
        << body.substr(0, 60);
  }
  NodeScript garbage;
  garbage.account = FakeReply::raw("\x16\x03\x01 not http at all");
  script(garbage);
  EXPECT_EQ(get("/oracle?token=tok").body, "[WARN] tok NO_DATA " + no_data_message_text + "\n");
  EXPECT_EQ(get("/health").body, "ok");
}

}  // namespace
}  // namespace tarnwick

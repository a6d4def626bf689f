#include "chain/chain_client.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chain/xpr_replies.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"
#include "support/scripted_exchanges.h"

namespace tarnwick {
namespace {

using std::chrono::milliseconds;
using test::FakeNode;
using test::FakeReply;
using test::ScriptedAnswer;
using test::ScriptedExchanges;

const std::string live = R"({"account_name":"tok"})";
const ChainRequest account_read{"/v1/chain/get_account", "{}"};

std::string text_of(const Delivery& delivery) {
  const auto* reply = std::get_if<Reply>(&delivery);
  return reply != nullptr ? reply->text : "<no reply>";
}

// 200 announcing 100,000 bytes, one sent, then the connection closed or reset.
FakeReply cut_body(bool reset) {
  FakeReply reply = FakeReply::json("{");
  reply.headers.emplace_back("Content-Length", "100000");
  (reset ? reply.reset_after : reply.close_after) = true;
  return reply;
}

// 200 announcing 500 bytes (within the body limit), one sent, then nothing more on the open
// connection.
FakeReply stalled() {
  FakeReply reply = FakeReply::json("{");
  reply.headers.emplace_back("Content-Length", "500");
  return reply;
}

// Three nodes and two reads on one client. `answers` scripts the first nodes; the others answer
// `live`. The rule each row shows is in its name; exchanges counted per node after each read. On
// the scripted clock: a 4 s deadline and a 300 ms answer limit, as over TLS below.
TEST(ChainClient, NodesThatGiveNoAnswerArePassedAndTheNodeInUseMovesOnlyOnAnAnswer) {
  const ScriptedAnswer refused = ScriptedAnswer::broken();
  const ScriptedAnswer slow = ScriptedAnswer::json(live, 200, milliseconds(600));
  const ScriptedAnswer chain_error_400 =
      ScriptedAnswer::json(R"({"code":400,"error":{"code":3060002,"details":[]}})", 400);
  const ScriptedAnswer chain_error_500 =
      ScriptedAnswer::json(test::unknown_account_older_json("tok"), 500);
  const auto dry_run_error = [](int code, int status) {
    return ScriptedAnswer::json(R"({"code":)" + std::to_string(status) + R"(,"error":{"code":)" +
                                    std::to_string(code) + "}}",
                                status);
  };
  const std::vector<std::string> nodes = {"https://n0", "https://n1", "https://n2"};
  const auto answer_from = [&](std::size_t node) { return Delivery{Reply{live, nodes[node]}}; };
  const struct {
    std::string name;
    std::vector<ScriptedAnswer> answers;  // for the first nodes
    Delivery delivered;
    std::size_t in_use;  // after each read
    std::vector<std::size_t> after_one, after_two;
    bool judges_transaction = false;  // a dry run: only an answer judging it ends the read
    milliseconds took{};              // the first read on the scripted clock; 0: not checked
    // After the second read, when it moved the node in use again.
    std::optional<std::size_t> then_in_use = std::nullopt;
  } cases[] = {
      {"HTML 500",
       {ScriptedAnswer::json("<html>oops</html>", 500)},
       answer_from(1),
       1,
       {1, 1, 0},
       {1, 2, 0}},
      {"text error 500, a 404",
       {ScriptedAnswer::json(R"({"error":"no such route"})", 500),
        ScriptedAnswer::json(test::unknown_account_leap4_json(), 404)},
       answer_from(2),
       2,
       {1, 1, 1},
       {1, 1, 2}},
      // A chain error of 500 or more is the node failing; a 4xx one is the chain's answer.
      {"chain error 500", {chain_error_500}, answer_from(1), 1, {1, 1, 0}, {1, 2, 0}},
      // A read that no node answered moves the node in use on: every node was asked, so to the
      // one after it.
      {"chain error 500 on every node",
       {chain_error_500, chain_error_500, chain_error_500},
       ReadFailure{},
       1,
       {1, 1, 1},
       {2, 2, 2},
       false,
       {},
       2},
      // Past the answer limit the next node is asked beside the slow one, never more than
      // two at once: the first answer wins, a turn-away never does.
      {"slow, then two refusing",
       {slow, refused, refused},
       answer_from(0),
       0,
       {1, 1, 1},
       {2, 2, 2}},
      {"slow, then two silent",
       {slow, ScriptedAnswer::silent(), ScriptedAnswer::silent()},
       answer_from(0),
       0,
       {1, 1, 0},
       {2, 2, 0},
       false,
       milliseconds(600)},
      // Both attempts in flight late: the third node is asked beside them, and answers within
      // two limits; the next read asks it first.
      {"two silent",
       {ScriptedAnswer::silent(), ScriptedAnswer::silent()},
       answer_from(2),
       2,
       {1, 1, 1},
       {1, 1, 2},
       false,
       milliseconds(600)},
      // Three late: the read waits for any within its deadline, and then moves the node in use
      // to the node after it.
      {"three silent",
       {ScriptedAnswer::silent(), ScriptedAnswer::silent(), ScriptedAnswer::silent()},
       ReadFailure{},
       1,
       {1, 1, 1},
       {2, 2, 2},
       false,
       std::chrono::seconds(4),
       2},
      {"slow, then 503 and refusing",
       {slow, ScriptedAnswer::json("{}", 503), refused},
       answer_from(0),
       0,
       {1, 1, 1},
       {2, 2, 2}},
      {"slow, then chain error 400",
       {slow, chain_error_400},
       ChainError{3060002, ""},
       1,
       {1, 1, 0},
       {1, 2, 0}},
      {"two refusing, then slow",
       {refused, refused, slow},
       answer_from(2),
       2,
       {1, 1, 1},
       {2, 2, 2}},
      // A dry run's error answer ends it only when it judges the transaction itself.
      {"dry run: a database guard's 500",
       {dry_run_error(3060101, 500)},
       answer_from(1),
       1,
       {1, 1, 0},
       {1, 2, 0},
       true},
      // Each node answered, though not for the read: the node in use follows the last answer.
      {"dry run: a database guard's 500 on every node",
       {dry_run_error(3060101, 500), dry_run_error(3060101, 500), dry_run_error(3060101, 500)},
       ReadFailure{},
       2,
       {1, 1, 1},
       {2, 2, 2},
       true,
       {},
       1},
      {"dry run: an unknown reference block's 400",
       {dry_run_error(3040007, 400)},
       answer_from(1),
       1,
       {1, 1, 0},
       {1, 2, 0},
       true},
      {"dry run: a route no node offers",
       {ScriptedAnswer::json("{}", 404), ScriptedAnswer::json("{}", 404),
        ScriptedAnswer::json("{}", 404)},
       RouteMissing{},
       0,
       {1, 1, 1},
       {2, 2, 2},
       true},
      {"dry run: a transaction that cannot be packed, 500",
       {dry_run_error(3015014, 500)},
       ChainError{3015014, ""},
       0,
       {1, 0, 0},
       {2, 0, 0},
       true},
  };
  for (const auto& c : cases) {
    const ScriptedExchanges exchanges([&](const test::StartedExchange& started) {
      for (std::size_t i = 0; i < c.answers.size(); ++i) {
        if (started.url == nodes[i] + account_read.path) return c.answers[i];
      }
      return ScriptedAnswer::json(live);
    });
    ChainSettings settings{ClientSettings{nodes[0], std::chrono::seconds(4), {}, ""},
                           {nodes[1], nodes[2]},
                           milliseconds(300)};
    const ChainClient client(settings, exchanges);
    ChainRequest read = account_read;
    read.judges_transaction = c.judges_transaction;
    for (const auto* expected : {&c.after_one, &c.after_two}) {
      const milliseconds before = exchanges.elapsed();
      EXPECT_EQ(client.deliver(read), c.delivered) << c.name;
      if (c.took.count() > 0 && expected == &c.after_one) {
        EXPECT_EQ(exchanges.elapsed() - before, c.took) << c.name;
      }
      const bool second = expected == &c.after_two;
      EXPECT_EQ(client.base_url(), nodes[second ? c.then_in_use.value_or(c.in_use) : c.in_use])
          << c.name;
      for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(exchanges.started_on(nodes[i]), (*expected)[i]) << c.name << i;
      }
    }
  }
}

// The rows that rest on sockets and TLS, over fake nodes: what breaks an answer after its status
// line, a port that refuses connections, and one answer limit on the real clock. `replies`
// scripts the first nodes (none: the port refuses connections); request counts are after each
// read.
TEST(ChainClient, AnswersBrokenOnTheWireArePassedOverTls) {
  const std::optional<FakeReply> refused;
  const std::string gone = [] { return FakeNode().base_url(); }();  // refuses connections now
  const FakeReply chain_error_400 =
      FakeReply::json(R"({"code":400,"error":{"code":3060002,"details":[]}})", 400);
  const struct {
    std::string name;
    std::vector<std::optional<FakeReply>> replies;  // for the first nodes
    bool answered;
    std::size_t in_use;  // after each read
    std::vector<std::size_t> after_one, after_two;
  } cases[] = {
      {"body cut short", {cut_body(false)}, true, 1, {1, 1, 0}, {1, 2, 0}},
      {"reset in the body", {cut_body(true)}, true, 1, {1, 1, 0}, {1, 2, 0}},
      {"body over the limit",
       {FakeReply::json(std::string(5000, ' '))},
       true,
       1,
       {1, 1, 0},
       {1, 2, 0}},
      {"redirect to a refusing host",
       {FakeReply::redirect(302, gone + "/v1/chain/get_account")},
       true,
       1,
       {1, 1, 0},
       {1, 2, 0}},
      {"redirect loop",
       {FakeReply::redirect(302, "/v1/chain/get_account")},
       true,
       1,
       {5, 1, 0},
       {5, 2, 0}},
      {"refused, chain error 400", {refused, chain_error_400}, false, 1, {0, 1, 0}, {0, 2, 0}},
      {"silent, the next answers", {FakeReply::silent()}, true, 1, {1, 1, 0}, {1, 2, 0}},
      {"stalled after its headers, the next answers", {stalled()}, true, 1, {1, 1, 0}, {1, 2, 0}},
  };
  const test::TlsIdentity identity = test::make_test_identity();
  for (const auto& c : cases) {
    std::vector<std::unique_ptr<FakeNode>> nodes;
    std::vector<std::string> bases;
    ChainSettings settings{ClientSettings{"", std::chrono::seconds(4), {}, identity.ca_pem}};
    settings.client.body_limit = 1000;
    settings.answer_limit = milliseconds(300);
    for (std::size_t i = 0; i < 3; ++i) {
      nodes.push_back(std::make_unique<FakeNode>(identity));
      bases.push_back(nodes[i]->base_url());
      (i == 0 ? settings.client.base_url : settings.more_nodes.emplace_back()) = bases[i];
      const bool scripted = i < c.replies.size();
      nodes[i]->set_reply(account_read.path,
                          scripted ? c.replies[i].value_or(FakeReply()) : FakeReply::json(live));
      if (scripted && !c.replies[i]) nodes[i].reset();
    }
    const ChainClient client(settings);
    for (const auto* expected : {&c.after_one, &c.after_two}) {
      EXPECT_EQ(text_of(client.deliver(account_read)), c.answered ? live : "<no reply>") << c.name;
      EXPECT_EQ(client.base_url(), bases[c.in_use]) << c.name;
      if (c.answered && nodes[c.in_use]) {  // its connection stays open for the next read
        EXPECT_EQ(nodes[c.in_use]->connections_accepted(), 1U) << c.name;
      }
      for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(nodes[i] ? nodes[i]->requests().size() : 0U, (*expected)[i]) << c.name << i;
      }
    }
  }
}

// Reads started together start four at most: five reads on one node open four connections (the
// fifth takes the first one free), and the next four reuse them, though the reads before them
// ended one by one.
TEST(ChainClient, ABatchReadsFourAtOnceAndKeepsTheirConnections) {
  FakeNode node;
  node.set_handler([](const test::RecordedRequest& request) {
    FakeReply reply = FakeReply::json(request.body);
    reply.delay = milliseconds(25) * std::stoi(request.body);
    return reply;
  });
  const ChainClient client(test::client_settings(node));
  std::vector<ChainRequest> reads;
  for (int i = 0; i < 5; ++i) reads.push_back({"/r", std::to_string(i)});
  for (const std::size_t size : {5U, 4U}) {
    const std::vector<Delivery> replies = client.deliver(std::span(reads).first(size));
    for (std::size_t i = 0; i < size; ++i) {
      EXPECT_EQ(replies.at(i), Delivery(Reply{std::to_string(i), node.base_url()}));
    }
    EXPECT_EQ(node.connections_accepted(), 4U) << size;
  }
}

// Each read walks the nodes on its own. The first node answers read 0 503 at once (it alone moves
// on, to "second", the node in use now), read 1 503 later (it goes on from where it started: to
// "second", not "third"), read 2 slowly (it stays; its node is in use at the end).
TEST(ChainClient, EachReadOfABatchWalksTheNodesOnItsOwn) {
  const std::vector<std::string> nodes = {"https://first", "https://second", "https://third"};
  const ScriptedAnswer first_node[] = {ScriptedAnswer::json("{}", 503),
                                       ScriptedAnswer::json("{}", 503, milliseconds(400)),
                                       ScriptedAnswer::json("first", 200, milliseconds(1000))};
  const ScriptedExchanges exchanges([&](const test::StartedExchange& started) {
    if (started.url.starts_with(nodes[0])) return first_node[std::stoi(*started.body)];
    return ScriptedAnswer::json(started.url.substr(8, started.url.find('/', 8) - 8));
  });
  const ChainClient client(ChainSettings{ClientSettings{nodes[0], std::chrono::seconds(4), {}, ""},
                                         {nodes[1], nodes[2]}},
                           exchanges);
  std::vector<ChainRequest> reads;
  for (const char* i : {"0", "1", "2"}) reads.push_back({"/r", i});
  const std::vector<Delivery> replies = client.deliver(reads);
  const std::string expected[] = {"second", "second", "first"};
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(text_of(replies.at(i)), expected[i]) << i;
  EXPECT_EQ(exchanges.started_on(nodes[1]), 2U);
  EXPECT_EQ(exchanges.started_on(nodes[2]), 0U);
  EXPECT_EQ(client.base_url(), nodes[0]);
}

// Reads started one at a time end in the order their answers come, four in flight at most: the
// fifth begins when the first of the four ends. Reads are pending until the last is given.
// Delivered together, they keep the order asked.
TEST(ChainClient, ReadsEndInTheOrderTheyAreAnsweredFourAtATime) {
  const milliseconds answers_after[] = {milliseconds(500), milliseconds(100), milliseconds(300),
                                        milliseconds(200), milliseconds(50)};
  const ScriptedExchanges exchanges([&](const test::StartedExchange& started) {
    return ScriptedAnswer::json(*started.body, 200, answers_after[std::stoi(*started.body)]);
  });
  const ChainClient client(
      ChainSettings{ClientSettings{"https://node", std::chrono::seconds(4), {}, ""}}, exchanges);
  std::vector<ReadId> reads;
  for (int i = 0; i < 5; ++i) reads.push_back(client.start({"/r", std::to_string(i)}));
  EXPECT_TRUE(client.reads_pending());
  std::vector<std::string> ended;
  while (const std::optional<Delivered> done = client.next()) {
    EXPECT_EQ(done->read, reads.at(std::stoul(text_of(done->delivery))));
    ended.push_back(text_of(done->delivery));
    EXPECT_EQ(client.reads_pending(), ended.size() < reads.size()) << ended.size();
  }
  EXPECT_EQ(ended, (std::vector<std::string>{"1", "4", "3", "2", "0"}));
  EXPECT_EQ(exchanges.started().at(4).at, milliseconds(100));
  const std::vector<ChainRequest> asked = {{"/r", "0"}, {"/r", "1"}, {"/r", "2"}};
  const std::vector<Delivery> delivered = client.deliver(asked);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(text_of(delivered.at(i)), *asked[i].body);
}

// A route's end travels with its reads: six reads of 5 s each with 9 s left, four at a time. The
// first four answer; the fifth and sixth begin at 5 s with 4 s left and are cut at the end, over
// budget; a read begun with less than a second left is not made at all: two such end at once,
// and the second is pending until it is given.
TEST(ChainClient, NoReadOutlivesItsRoutesEnd) {
  const ScriptedExchanges exchanges([](const test::StartedExchange& started) {
    return ScriptedAnswer::json(*started.body, 200, std::chrono::seconds(5));
  });
  const ChainClient client(
      ChainSettings{ClientSettings{"https://node", std::chrono::seconds(12), {}, ""}}, exchanges);
  std::vector<ChainRequest> reads;
  for (int i = 0; i < 6; ++i) {
    reads.push_back({"/r", std::to_string(i)});
    reads.back().end = exchanges.now() + std::chrono::seconds(9);
  }
  std::vector<std::string> got;
  for (const Delivery& delivery : client.deliver(reads)) {
    got.push_back(std::holds_alternative<OverBudget>(delivery) ? "over" : text_of(delivery));
  }
  EXPECT_EQ(got, (std::vector<std::string>{"0", "1", "2", "3", "over", "over"}));
  EXPECT_EQ(exchanges.elapsed(), std::chrono::seconds(9));
  ChainRequest late = reads.front();
  late.end = exchanges.now() + milliseconds(999);
  EXPECT_TRUE(std::holds_alternative<OverBudget>(client.deliver(late)));
  client.start(late);
  client.start(late);
  ASSERT_TRUE(client.next().has_value());
  EXPECT_TRUE(client.reads_pending());
  ASSERT_TRUE(client.next().has_value());
  EXPECT_FALSE(client.reads_pending());
  EXPECT_EQ(exchanges.started().size(), 6U);
}

}  // namespace
}  // namespace tarnwick

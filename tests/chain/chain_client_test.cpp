#include "chain/chain_client.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chain/xpr_replies.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"

namespace tarnwick {
namespace {

using test::FakeNode;
using test::FakeReply;

const std::string live = R"({"account_name":"tok"})";

std::string text_of(const ReadOutcome& outcome) {
  const auto* text = std::get_if<std::string>(&outcome);
  return text != nullptr ? *text : "<ReadFailure>";
}

// 200 announcing 100,000 bytes, one sent, then the connection closed or reset.
FakeReply cut_body(bool reset) {
  FakeReply reply = FakeReply::json("{");
  reply.headers.emplace_back("Content-Length", "100000");
  (reset ? reply.reset_after : reply.close_after) = true;
  return reply;
}

// Three nodes and two reads on one client, the second one a batch of one read. `replies` scripts
// the first nodes (none: the port refuses connections); the others answer `live`. Request counts
// are after each read.
TEST(ChainClient, NodesThatGiveNoAnswerArePassedAndTheNodeInUseMovesOnlyOnAnAnswer) {
  const std::optional<FakeReply> refused;
  const std::string gone = [] { return FakeNode().base_url(); }();  // refuses connections now
  FakeReply slow = FakeReply::json(live);
  slow.delay = std::chrono::milliseconds(600);  // the first-byte limit is 300 ms
  const FakeReply chain_error_400 =
      FakeReply::json(R"({"code":400,"error":{"code":3060002,"details":[]}})", 400);
  const FakeReply chain_error_500 = FakeReply::json(test::unknown_account_older_json("tok"), 500);
  const auto dry_run_error = [](int code, int status) {
    return FakeReply::json(R"({"code":)" + std::to_string(status) + R"(,"error":{"code":)" +
                               std::to_string(code) + "}}",
                           status);
  };
  const struct {
    std::string name;
    std::vector<std::optional<FakeReply>> replies;  // for the first nodes
    bool answered;
    std::size_t in_use;  // after each read
    std::vector<std::size_t> after_one, after_two;
    bool judges_transaction = false;  // a dry run: only an answer judging it ends the read
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
      {"HTML 500", {FakeReply::html("<html>oops</html>", 500)}, true, 1, {1, 1, 0}, {1, 2, 0}},
      {"text error 500, a 404",
       {FakeReply::json(R"({"error":"no such route"})", 500),
        FakeReply::json(test::unknown_account_leap4_json(), 404)},
       true,
       2,
       {1, 1, 1},
       {1, 1, 2}},
      // A chain error of 500 or more is the node failing; a 4xx one is the chain's answer.
      {"chain error 500", {chain_error_500}, true, 1, {1, 1, 0}, {1, 2, 0}},
      {"chain error 500 on every node",
       {chain_error_500, chain_error_500, chain_error_500},
       false,
       0,
       {1, 1, 1},
       {2, 2, 2}},
      {"refused, chain error 400", {refused, chain_error_400}, false, 1, {0, 1, 0}, {0, 2, 0}},
      // Past the first-byte limit the next node is asked beside the slow one, never more than
      // two at once: the first answer wins, a turn-away never does.
      {"silent, the next answers", {FakeReply::silent()}, true, 1, {1, 1, 0}, {1, 2, 0}},
      {"slow, then two refusing", {slow, refused, refused}, true, 0, {1, 0, 0}, {2, 0, 0}},
      {"slow, then two silent",
       {slow, FakeReply::silent(), FakeReply::silent()},
       true,
       0,
       {1, 1, 0},
       {2, 2, 0}},
      {"slow, then 503 and refusing",
       {slow, FakeReply::json("{}", 503), refused},
       true,
       0,
       {1, 1, 0},
       {2, 2, 0}},
      {"slow, then chain error 400", {slow, chain_error_400}, false, 1, {1, 1, 0}, {1, 2, 0}},
      {"two refusing, then slow", {refused, refused, slow}, true, 2, {0, 0, 1}, {0, 0, 2}},
      // A dry run's error answer ends it only when it judges the transaction itself.
      {"dry run: a database guard's 500",
       {dry_run_error(3060101, 500)},
       true,
       1,
       {1, 1, 0},
       {1, 2, 0},
       true},
      {"dry run: an unknown reference block's 400",
       {dry_run_error(3040007, 400)},
       true,
       1,
       {1, 1, 0},
       {1, 2, 0},
       true},
      {"dry run: a route no node offers",
       {FakeReply::json("{}", 404), FakeReply::json("{}", 404), FakeReply::json("{}", 404)},
       false,
       0,
       {1, 1, 1},
       {2, 2, 2},
       true},
      {"dry run: a transaction that cannot be packed, 500",
       {dry_run_error(3015014, 500)},
       false,
       0,
       {1, 0, 0},
       {2, 0, 0},
       true},
  };
  const test::TlsIdentity identity = test::make_test_identity();
  for (const auto& c : cases) {
    std::vector<std::unique_ptr<FakeNode>> nodes;
    std::vector<std::string> bases;
    ChainSettings settings{ClientSettings{"", std::chrono::seconds(4), {}, identity.ca_pem}};
    settings.client.body_limit = 1000;
    settings.first_byte_limit = std::chrono::milliseconds(300);
    for (std::size_t i = 0; i < 3; ++i) {
      nodes.push_back(std::make_unique<FakeNode>(identity));
      bases.push_back(nodes[i]->base_url());
      (i == 0 ? settings.client.base_url : settings.more_nodes.emplace_back()) = bases[i];
      const bool scripted = i < c.replies.size();
      nodes[i]->set_reply("/v1/chain/get_account",
                          scripted ? c.replies[i].value_or(FakeReply()) : FakeReply::json(live));
      if (scripted && !c.replies[i]) nodes[i].reset();
    }
    const ChainClient client(settings);
    const ChainRead read{bases[0] + "/v1/chain/get_account", "{}", c.judges_transaction};
    for (const auto* expected : {&c.after_one, &c.after_two}) {
      const ChainReply reply = expected == &c.after_one && !c.judges_transaction
                                   ? ChainReply{client.post_json(read.url, "{}"), {}}
                                   : client.read_all(std::span(&read, 1)).front();
      EXPECT_EQ(text_of(reply.outcome), c.answered ? live : "<ReadFailure>") << c.name;
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

// Reads of a batch start together, four at most: five reads on one node open four connections
// (the fifth takes the first one free), and the next batch of four reuses them, though the reads
// before it ended one by one.
TEST(ChainClient, ABatchReadsFourAtOnceAndKeepsTheirConnections) {
  FakeNode node;
  node.set_handler([](const test::RecordedRequest& request) {
    FakeReply reply = FakeReply::json(request.body);
    reply.delay = std::chrono::milliseconds(25) * std::stoi(request.body);
    return reply;
  });
  const ChainClient client(test::client_settings(node));
  std::vector<ChainRead> reads;
  for (int i = 0; i < 5; ++i) reads.push_back({node.base_url() + "/r", std::to_string(i)});
  for (const std::size_t size : {5U, 4U}) {
    const std::vector<ChainReply> replies = client.read_all(std::span(reads).first(size));
    for (std::size_t i = 0; i < size; ++i) {
      EXPECT_EQ(text_of(replies.at(i).outcome), std::to_string(i));
      EXPECT_EQ(replies[i].node, node.base_url());
    }
    EXPECT_EQ(node.connections_accepted(), 4U) << size;
  }
}

// Each read of a batch walks the nodes on its own. The first node answers read 0 503 at once (it
// alone moves on, to "second", the node in use now), read 1 503 later (it goes on from where it
// started: to "second", not "third"), read 2 slowly (it stays; its node is in use at the end).
TEST(ChainClient, EachReadOfABatchWalksTheNodesOnItsOwn) {
  FakeReply late_unavailable = FakeReply::json("{}", 503);
  late_unavailable.delay = std::chrono::milliseconds(400);
  FakeReply slow = FakeReply::json("first");
  slow.delay = std::chrono::milliseconds(1000);
  const FakeReply first_node[] = {FakeReply::json("{}", 503), late_unavailable, slow};
  const test::TlsIdentity identity = test::make_test_identity();
  std::vector<std::unique_ptr<FakeNode>> nodes;
  ChainSettings settings{ClientSettings{"", std::chrono::seconds(4), {}, identity.ca_pem}};
  for (const std::string name : {"first", "second", "third"}) {
    nodes.push_back(std::make_unique<FakeNode>(identity));
    nodes.back()->set_reply("/r", FakeReply::json(name));
    (name == "first" ? settings.client.base_url : settings.more_nodes.emplace_back()) =
        nodes.back()->base_url();
  }
  nodes[0]->set_handler(
      [&](const test::RecordedRequest& request) { return first_node[std::stoi(request.body)]; });
  std::vector<ChainRead> reads;
  for (const char* i : {"0", "1", "2"}) reads.push_back({settings.client.base_url + "/r", i});
  const ChainClient client(settings);
  const std::vector<ChainReply> replies = client.read_all(reads);
  const std::string expected[] = {"second", "second", "first"};
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(text_of(replies.at(i).outcome), expected[i]) << i;
  EXPECT_EQ(nodes[1]->requests().size(), 2U);
  EXPECT_EQ(nodes[2]->requests().size(), 0U);
  EXPECT_EQ(client.base_url(), nodes[0]->base_url());
}

}  // namespace
}  // namespace tarnwick

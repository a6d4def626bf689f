// Scans through the real serving loop while the chain node misbehaves: every reply of one read
// (or the node as a whole) is slow past the deadline, silent, reset, closed without an answer,
// garbage instead of HTTP, an HTTP error, or not JSON; or the node has gone away. Every answer
// must be the exact verdict that the facts left readable amount to, or the no-data body when the
// account itself could not be read; never a hang, never a crash.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assess/hazards.h"
#include "assess/renderings.h"
#include "assess/verdict.h"
#include "chain/xpr_replies.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"
#include "support/serving_harness.h"

namespace tarnwick {
namespace {

using std::chrono::milliseconds;
using test::FakeNode;
using test::FakeReply;
using test::RecordedRequest;

constexpr milliseconds deadline{2000};
constexpr std::uint64_t created = 1705314600;             // 2024-01-15T10:30:00
constexpr std::uint64_t reference = created + 3 * 86400;  // a 3-day-old deployer

// The reads of one scan, in the order they are made.
enum class Read { account, markets, creation, history, reputation };
const std::vector<Read> all_reads = {Read::account, Read::markets, Read::creation, Read::history,
                                     Read::reputation};
const char* read_name(Read read) {
  switch (read) {
    case Read::account: return "account";
    case Read::markets: return "markets";
    case Read::creation: return "creation";
    case Read::history: return "history";
    case Read::reputation: return "reputation";
  }
  return "?";
}

enum class Fault { slow, silent, reset, close, garbage, http_error, not_json };

// Bytes that are no HTTP answer at all, NUL included.
constexpr char garbage[] = "\x16\x03\x01\xFF garbage \0\r\n\r\n";

FakeReply faulty_reply(Fault fault, FakeReply normal) {
  switch (fault) {
    case Fault::slow: normal.delay = deadline * 3; return normal;
    case Fault::silent: return FakeReply::silent();
    case Fault::reset: return FakeReply::reset_connection();
    case Fault::close: return FakeReply::close_connection();
    case Fault::garbage: return FakeReply::raw(std::string(garbage, sizeof garbage - 1));
    case Fault::http_error: return FakeReply::json(R"({"code":500,"message":"Internal"})", 500);
    case Fault::not_json: return FakeReply::html("<html><body>502 Bad Gateway</body></html>");
  }
  return normal;
}

// What a healthy node answers: a privileged, 3-day-old account, an inactive market, a score of
// 350 (63 of 100). With the token on the prior-rug list, the healthy verdict sets four bits.
FakeReply normal_reply(Read read) {
  switch (read) {
    case Read::account:
    case Read::creation:
      return FakeReply::json(test::account_json("tok", "2024-01-15T10:30:00.000",
                                                {test::permission_json("owner", 0, {"eosio.prods"}),
                                                 test::permission_json("active", 1, {})}));
    case Read::markets:
      return FakeReply::json(
          test::rows_json({test::market_row_json(7, "tok", "eosio.token", "2")}));
    case Read::history: return FakeReply::json(test::actions_json("tok"));
    case Read::reputation:
      return FakeReply::json(test::rows_json({test::agentscore_json("tok", "350")}));
  }
  return FakeReply::json("{}", 404);
}

// The facts a scan reads when `broken` fails with `fault` (every other read healthy); none when
// the scan gets no data.
std::optional<ScanOutcome> expected_facts(Read broken, Fault fault) {
  ScanOutcome facts;
  facts.owner_privileged = true;
  facts.liquidity_depth = 0;
  facts.account_age_days = 3;
  facts.prior_rug = true;
  facts.reputation_score = 63;
  const bool unparsable = fault == Fault::not_json;  // arrives, but is not JSON
  switch (broken) {
    case Read::account:
      if (!unparsable) return std::nullopt;
      facts.owner_privileged = false;  // both account reads get the page
      facts.account_age_days = unknown_age_days;
      break;
    case Read::markets: facts.liquidity_depth = unparsable ? 0 : 10000; break;
    case Read::creation: facts.account_age_days = unknown_age_days; break;
    case Read::history: break;
    case Read::reputation: facts.reputation_score.reset(); break;
  }
  return facts;
}

std::string expected_scan(const std::optional<ScanOutcome>& facts) {
  if (!facts) return scan_error_json("tok");
  return scan_json("tok",
                   make_verdict(evaluate_hazards(*facts, scan_thresholds), true, scan_thresholds));
}

std::string expected_oracle(const std::optional<ScanOutcome>& facts) {
  if (!facts) return oracle_no_data_line("tok");
  return oracle_line(
      "tok", make_verdict(evaluate_hazards(*facts, scan_thresholds), true, scan_thresholds));
}

// A fake node that answers every read healthily except `broken`, which gets `fault` (a broken
// account read breaks every account request of the scan).
class ScriptedNode {
 public:
  ScriptedNode() {
    node_.set_handler([this](const RecordedRequest& request) {
      const Read read = classify(request);
      const FakeReply normal = normal_reply(read);
      return read == broken_.load() && faulty_.load() ? faulty_reply(fault_.load(), normal)
                                                      : normal;
    });
  }
  void break_read(Read read, Fault fault) {
    broken_ = read;
    fault_ = fault;
    faulty_ = true;
    account_reads_ = 0;
  }
  FakeNode& node() { return node_; }

 private:
  Read classify(const RecordedRequest& request) {
    const std::string path = request.path();
    // Both account reads send the same request; the first of a scan is the account read, every
    // later one counts as the creation read. (A request whose kept-alive connection dies before
    // any answer is sent once more by the HTTPS library; such a repeat keeps its read's fault.)
    if (path == "/v1/chain/get_account") {
      if (broken_.load() == Read::account && faulty_.load()) return Read::account;
      return account_reads_++ == 0 ? Read::account : Read::creation;
    }
    if (path == "/v2/history/get_actions") return Read::history;
    return request.body.find("\"agentscores\"") != std::string::npos ? Read::reputation
                                                                     : Read::markets;
  }

  std::atomic<Read> broken_{Read::account};
  std::atomic<Fault> fault_{Fault::slow};
  std::atomic<bool> faulty_{false};
  std::atomic<int> account_reads_{0};
  FakeNode node_;
};

class ScanFaults : public ::testing::TestWithParam<Fault> {
 protected:
  ScanFaults()
      : context_{ChainClient(test::client_settings(scripted_.node(), deadline)), "agentrep",
                 reference, parse_prior_rugs("tok\n")},
        service_(context_) {}

  ScriptedNode scripted_;
  ScanContext context_;
  ServingHarness service_;
};

TEST_P(ScanFaults, EveryAnswerIsTheVerdictOfWhatWasReadOrNoData) {
  const Fault fault = GetParam();
  // Timed faults cost a deadline per read; /oracle takes the same road, so it is asked only for
  // the faults that answer at once.
  const bool ask_oracle = fault != Fault::slow && fault != Fault::silent;
  for (const Read read : all_reads) {
    scripted_.break_read(read, fault);
    const HttpAnswer scan = parse_answer(service_.exchange(get_request("/scan?token=tok")));
    ASSERT_TRUE(scan.complete) << read_name(read);
    EXPECT_EQ(scan.status_line, "HTTP/1.1 200 OK") << read_name(read);
    EXPECT_EQ(scan.body, expected_scan(expected_facts(read, fault))) << read_name(read);
    if (!ask_oracle) continue;
    scripted_.break_read(read, fault);
    const HttpAnswer oracle = parse_answer(service_.exchange(get_request("/oracle?token=tok")));
    ASSERT_TRUE(oracle.complete) << read_name(read);
    EXPECT_EQ(oracle.body, expected_oracle(expected_facts(read, fault))) << read_name(read);
  }
  EXPECT_EQ(parse_answer(service_.exchange(get_request("/health"))).body, "ok");
}

std::string fault_name(const ::testing::TestParamInfo<Fault>& param) {
  switch (param.param) {
    case Fault::slow: return "Slow";
    case Fault::silent: return "Silent";
    case Fault::reset: return "Reset";
    case Fault::close: return "Close";
    case Fault::garbage: return "Garbage";
    case Fault::http_error: return "HttpError";
    case Fault::not_json: return "NotJson";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Faults, ScanFaults,
                         ::testing::Values(Fault::slow, Fault::silent, Fault::reset, Fault::close,
                                           Fault::garbage, Fault::http_error, Fault::not_json),
                         fault_name);

TEST(ScanFaultsNodeGone, EveryScanAnswersNoData) {
  std::unique_ptr<FakeNode> node = std::make_unique<FakeNode>();
  ClientSettings settings = test::client_settings(*node, deadline);
  node.reset();  // its port is closed now: nothing listens there
  const ScanContext context{ChainClient(std::move(settings)), "agentrep", reference,
                            PriorRugList{}};
  const ServingHarness service(context);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(parse_answer(service.exchange(get_request("/scan?token=tok"))).body,
              scan_error_json("tok"));
    EXPECT_EQ(parse_answer(service.exchange(get_request("/oracle?token=tok"))).body,
              oracle_no_data_line("tok"));
  }
  EXPECT_EQ(parse_answer(service.exchange(get_request("/health"))).body, "ok");
}

TEST(ScanFaultsSlowNode, RepliesWithinTheDeadlineGiveTheHealthyVerdict) {
  ScriptedNode scripted;
  scripted.node().set_handler([](const RecordedRequest& request) {
    const std::string path = request.path();
    Read read = Read::markets;
    if (path == "/v1/chain/get_account") read = Read::account;
    if (path == "/v2/history/get_actions") read = Read::history;
    if (request.body.find("\"agentscores\"") != std::string::npos) read = Read::reputation;
    FakeReply reply = normal_reply(read);
    reply.delay = deadline / 8;
    return reply;
  });
  const ScanContext context{ChainClient(test::client_settings(scripted.node(), deadline)),
                            "agentrep", reference, parse_prior_rugs("tok\n")};
  const ServingHarness service(context);
  EXPECT_EQ(parse_answer(service.exchange(get_request("/scan?token=tok"))).body,
            expected_scan(expected_facts(Read::history, Fault::slow)));
}

}  // namespace
}  // namespace tarnwick

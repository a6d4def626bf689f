// One full token scan over a warm ChainClient against a loopback FakeNode, against the same five
// requests (same paths, same bodies, same replies) made bare on the same client: the ratio
// shows what the scan adds to its network exchanges (building bodies, parsing and reading
// replies, the verdict). Also TLS handshakes per scan on the warm client, and the time to parse
// and read a 1000-row market reply and the replies of one scan, with the program's reader and with
// the nlohmann/json tree it replaced (tests/oracle). Then the same for /evidence: the gathering
// and its JSON against its requests made bare the same way (bench/replay.h: recorded from one
// answer, the same reads begun together, up to four in flight on the client's warm
// connections), and the reading of a 100-action history reply. Then what failing over costs, with
// the production limits: scans whose first node refuses connections or drops them unanswered (a
// black hole), the live node second, against scans whose first node is the live one. All figures
// come from one run.
//
//   scan_bench [scans] [market-rows-in-scan]      (defaults 1000 and 60)
//
// 60 rows (about 13 KB) is a market table of realistic size that still fits one TLS record; a
// reply spread over several records can meet a delayed-ACK wait of the loopback fake node, which
// then dominates both sides alike.
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "assess/evidence_json.h"
#include "assess/hazards.h"
#include "chain/account_reply.h"
#include "chain/chain_requests.h"
#include "chain/code_hash_reply.h"
#include "chain/creator_reply.h"
#include "chain/currency_stats_reply.h"
#include "chain/history_reply.h"
#include "chain/market_reply.h"
#include "chain/read_session.h"
#include "chain/reputation_reply.h"
#include "chain/scan_context.h"
#include "chain/scan_token.h"
#include "chain/scan_values.h"
#include "chain/stat_scopes_reply.h"
#include "chain/token_evidence.h"
#include "chain/token_symbol.h"
#include "chain/top_holders_reply.h"
#include "chain/xpr_replies.h"
#include "common/calendar.h"
#include "common/json_reader.h"
#include "oracle_reads.h"
#include "replay.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"

namespace {

using Clock = std::chrono::steady_clock;
using tarnwick::test::FakeReply;
using tarnwick::test::RecordedRequest;

constexpr std::string_view token = "tok";

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A market reply of `rows` rows with the token's market last (the whole reply is walked).
std::string market_reply(int rows) {
  std::vector<std::string> markets = tarnwick::test::other_markets(rows - 1);
  markets.push_back(tarnwick::test::market_row_json(rows, "eosio.token", std::string(token)));
  return tarnwick::test::rows_json(markets);
}

// One scan, with a reader kept from scan to scan as the serving loop keeps one; false when it gave
// no data.
bool one_scan(const tarnwick::ScanContext& context) {
  static tarnwick::JsonReader kept;
  return tarnwick::scan_token(tarnwick::scan_thresholds, context, token, kept).has_value();
}

// Whether a read made bare failed: 0 for a reply, 1 otherwise.
std::size_t failed(const tarnwick::Delivery& delivery) {
  return std::holds_alternative<tarnwick::Reply>(delivery) ? 0 : 1;
}

// The five reads of a scan made bare on the same client: the same paths and bodies, built once,
// no reply reading. False when one failed.
struct BareScan {
  explicit BareScan(const tarnwick::ScanContext& context)
      : client(context.client),
        account(tarnwick::account_request(token)),
        markets(tarnwick::table_rows_request(tarnwick::market_rows_body())),
        actions(tarnwick::actions_request(token)),
        reputation(tarnwick::table_rows_request(
            tarnwick::reputation_rows_body(context.reputation_contract, token))) {}

  bool run() const {
    std::size_t failures = failed(client.deliver(account));
    failures += failed(client.deliver(markets));
    failures += failed(client.deliver(account));
    failures += failed(client.deliver(actions));
    failures += failed(client.deliver(reputation));
    return failures == 0;
  }

  const tarnwick::ChainClient& client;
  const tarnwick::ChainRequest account, markets, actions, reputation;
};

// A loopback port that refuses connections (bound, not listening) or, with `black_hole`, one whose
// listener never accepts and whose accept queue is full, so that further connection attempts get
// no answer at all.
struct DeadPort {
  explicit DeadPort(bool black_hole) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    base = "https://127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
    if (!black_hole) return;
    ::listen(fd, 0);
    for (int& filler : fillers) {  // not waiting: the second one's attempt stays unanswered
      filler = ::socket(AF_INET, SOCK_STREAM, 0);
      ::fcntl(filler, F_SETFL, O_NONBLOCK);
      ::connect(filler, reinterpret_cast<sockaddr*>(&addr), len);
    }
  }
  ~DeadPort() {
    for (const int filler : fillers) ::close(filler);
    ::close(fd);
  }
  DeadPort(const DeadPort&) = delete;
  DeadPort& operator=(const DeadPort&) = delete;
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int fillers[2] = {-1, -1};
  std::string base;
};

// A context with the production chain limits whose first node is `first`, the live node second.
tarnwick::ScanContext failover_context(const tarnwick::test::FakeNode& live, std::string first) {
  tarnwick::ChainSettings settings = tarnwick::production_chain_settings();
  settings.client.base_url = std::move(first);
  settings.client.trusted_roots_pem = live.ca_pem();
  settings.more_nodes = {live.base_url()};
  return tarnwick::ScanContext{tarnwick::ChainClient(std::move(settings)), "agentrep",
                               1'717'000'000, tarnwick::PriorRugList{}};
}

// One /evidence answer; false when it gave no data.
bool one_evidence(const tarnwick::ScanContext& context) {
  static tarnwick::JsonReader kept;
  const std::optional<tarnwick::TokenEvidence> evidence =
      tarnwick::gather_evidence(tarnwick::scan_thresholds, context, token, std::nullopt, kept);
  return evidence && !tarnwick::evidence_json(token, context.client.base_url(), *evidence).empty();
}

// The reads of one /evidence answer as it makes them: which begin together, and when it waits.
tarnwick::bench::ReadLog evidence_reads(const tarnwick::ScanContext& context) {
  const tarnwick::bench::RecordingTransport recording(context.client);
  tarnwick::JsonReader reader;
  tarnwick::ReadSession session(recording, reader, tarnwick::evidence_budget());
  if (!tarnwick::gather_evidence(tarnwick::scan_thresholds, context, token, std::nullopt,
                                 session)) {
    std::fprintf(stderr, "the recorded evidence answer gave no data\n");
  }
  return recording.log();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int scans = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  const int scan_market_rows = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;

  tarnwick::test::FakeNode node;
  const std::string account =
      tarnwick::test::benign_account_json(std::string(token), "2024-01-15T10:30:00.000");
  const std::string markets = market_reply(scan_market_rows);
  const std::string reputation =
      tarnwick::test::rows_json({tarnwick::test::agentscore_json(std::string(token), "350")});
  const std::string actions = tarnwick::test::actions_json(std::string(token));
  const std::string stats = tarnwick::test::currency_stats_json(
      "XPR", "1000000.0000 XPR", "10000000.0000 XPR", std::string(token));
  std::vector<std::pair<std::string, std::string>> holder_list;
  for (int i = 0; i < 20; ++i)
    holder_list.emplace_back("holder" + std::to_string(i % 5 + 1), "1234.5678");
  const std::string holders = tarnwick::test::top_holders_json(token, "XPR", holder_list);
  const std::string code =
      tarnwick::test::code_hash_json(token, tarnwick::standard_token_build_2023);
  const std::string scopes = tarnwick::test::stat_scopes_json(token, {"........edc5c"});
  const std::string creator = R"({"query_time_ms":0.2,"cached":true,"account":")" +
                              std::string(token) +
                              R"(","creator":"founder","timestamp":"2024-01-15T10:30:00.000",)"
                              R"("block_num":2995721,"trx_id":"5e38"})";
  node.set_handler([&](const RecordedRequest& request) {
    const std::string path = request.path();
    if (path == "/v1/chain/get_account") return FakeReply::json(account);
    if (path == "/v2/history/get_actions") return FakeReply::json(actions);
    if (path == "/v1/chain/get_currency_stats") return FakeReply::json(stats);
    if (path == "/v2/state/get_top_holders") return FakeReply::json(holders);
    if (path == "/v1/chain/get_code_hash") return FakeReply::json(code);
    if (path == "/v1/chain/get_table_by_scope") return FakeReply::json(scopes);
    if (path == "/v2/history/get_creator") return FakeReply::json(creator);
    return FakeReply::json(request.body.find("agentscores") != std::string::npos ? reputation
                                                                                 : markets);
  });
  const tarnwick::ScanContext context{
      tarnwick::ChainClient(tarnwick::test::client_settings(node, std::chrono::seconds(30))),
      "agentrep", 1'717'000'000, tarnwick::PriorRugList{}};

  // Scans and bare request sets alternate one by one, so that both see the same state of a
  // shared, noisy machine; the order inside each pair alternates too.
  const BareScan bare(context);
  for (int i = 0; i < 5; ++i) one_scan(context) && bare.run();  // warm: connection, handshake
  std::vector<double> scan_times;
  std::vector<double> bare_times;
  std::size_t handshakes = 0;  // during the timed scans only
  bool all_ok = true;
  for (int i = 0; i < scans; ++i) {
    for (int half = 0; half < 2; ++half) {
      const auto start = Clock::now();
      if ((half + i) % 2 == 0) {
        const std::size_t before = node.handshakes_completed();
        all_ok = one_scan(context) && all_ok;
        scan_times.push_back(seconds_since(start));
        handshakes += node.handshakes_completed() - before;
      } else {
        all_ok = bare.run() && all_ok;
        bare_times.push_back(seconds_since(start));
      }
    }
  }
  if (!all_ok) std::fprintf(stderr, "a scan or a bare request failed\n");
  const double scan_total = std::accumulate(scan_times.begin(), scan_times.end(), 0.0);
  const double bare_total = std::accumulate(bare_times.begin(), bare_times.end(), 0.0);

  // Parsing and reading a 1000-row market reply, alone: the two readers take turns, so that both
  // see the same state of the machine. The reader is reused from read to read, as in a scan.
  const std::string thousand = market_reply(1000);
  tarnwick::JsonReader reader;
  std::vector<double> parse_times;
  std::vector<double> old_parse_times;
  for (int i = 0; i < 300; ++i) {
    auto start = Clock::now();
    const std::uint16_t depth = tarnwick::liquidity_depth(reader, thousand, token);
    parse_times.push_back(seconds_since(start));
    start = Clock::now();
    const std::uint16_t old_depth = tarnwick::oracle::liquidity_depth(thousand, token);
    old_parse_times.push_back(seconds_since(start));
    if (depth != tarnwick::active_market_depth || old_depth != depth) {
      std::fprintf(stderr, "unexpected depth\n");
    }
  }

  // Reading the four parsed replies of one scan, as scan_token does (a reader made for the scan).
  std::vector<double> scan_read_times;
  std::vector<double> old_scan_read_times;
  for (int i = 0; i < 2000; ++i) {
    auto start = Clock::now();
    {
      tarnwick::JsonReader scan_reader;
      static_cast<void>(tarnwick::owner_privileged(scan_reader, account));
      static_cast<void>(tarnwick::liquidity_depth(scan_reader, markets, token));
      static_cast<void>(tarnwick::account_age_days(scan_reader, account, 1'717'000'000));
      static_cast<void>(tarnwick::reputation_score(scan_reader, reputation));
    }
    scan_read_times.push_back(seconds_since(start));
    start = Clock::now();
    static_cast<void>(tarnwick::oracle::owner_privileged(account));
    static_cast<void>(tarnwick::oracle::liquidity_depth(markets, token));
    static_cast<void>(tarnwick::oracle::created_text(account));
    static_cast<void>(tarnwick::oracle::reputation_value(reputation));
    old_scan_read_times.push_back(seconds_since(start));
  }

  // /evidence against its requests made bare the same way (the same reads begun together, up to
  // four in flight on the client's warm connections), warm, alternating as the scans did.
  const tarnwick::bench::ReadLog evidence_log = evidence_reads(context);
  const auto bare_evidence = [&] {
    return tarnwick::bench::replay(context.client, evidence_log) == 0;
  };
  for (int i = 0; i < 5; ++i) one_evidence(context) && bare_evidence();
  std::vector<double> evidence_times;
  std::vector<double> bare_evidence_times;
  bool evidence_ok = true;
  for (int i = 0; i < scans; ++i) {
    for (int half = 0; half < 2; ++half) {
      const bool evidence_first = (half + i) % 2 == 0;
      const auto start = Clock::now();
      evidence_ok = (evidence_first ? one_evidence(context) : bare_evidence()) && evidence_ok;
      (evidence_first ? evidence_times : bare_evidence_times).push_back(seconds_since(start));
    }
  }
  if (!evidence_ok) std::fprintf(stderr, "an evidence answer or a bare request failed\n");
  const std::size_t before_one = node.requests().size();
  one_evidence(context);
  const std::size_t requests_per_evidence = node.requests().size() - before_one;

  // Reading a 100-action history reply for the activity fact, with a reader kept between reads.
  const std::string hundred = tarnwick::test::actions_json(std::string(token), 100);
  std::vector<double> history_times;
  for (int i = 0; i < 2000; ++i) {
    const auto start = Clock::now();
    static_cast<void>(tarnwick::read_activity(reader, hundred, token, 1'748'779'200));
    history_times.push_back(seconds_since(start));
  }

  std::printf("scans: %d, market rows in the scan: %d (%zu bytes)\n", scans, scan_market_rows,
              markets.size());
  std::printf("full scan:          median %.1f us, mean %.1f us\n", median(scan_times) * 1e6,
              scan_total / scans * 1e6);
  std::printf("five bare requests: median %.1f us, mean %.1f us\n", median(bare_times) * 1e6,
              bare_total / scans * 1e6);
  std::printf("scan / bare ratio:  %.3f of medians, %.3f of totals\n",
              median(scan_times) / median(bare_times), scan_total / bare_total);
  std::printf("reading the scan's replies: JsonReader median %.1f us, nlohmann tree %.1f us\n",
              median(scan_read_times) * 1e6, median(old_scan_read_times) * 1e6);
  std::printf("TLS handshakes per scan on a warm client: %.4f (%zu in %d scans)\n",
              static_cast<double>(handshakes) / scans, handshakes, scans);
  std::printf("1000-row market reply (%zu bytes), parse and read:\n", thousand.size());
  std::printf("  JsonReader:     median %.3f ms, best %.3f ms\n", median(parse_times) * 1e3,
              *std::min_element(parse_times.begin(), parse_times.end()) * 1e3);
  std::printf("  nlohmann tree:  median %.3f ms, best %.3f ms\n", median(old_parse_times) * 1e3,
              *std::min_element(old_parse_times.begin(), old_parse_times.end()) * 1e3);
  std::printf("  speed-up:       %.1fx of medians\n",
              median(old_parse_times) / median(parse_times));
  std::printf(
      "/evidence:          median %.1f us; its bare requests made the same way "
      "(begun together: %s) median %.1f us\n",
      median(evidence_times) * 1e6, tarnwick::bench::begun_together_text(evidence_log).c_str(),
      median(bare_evidence_times) * 1e6);
  std::printf("evidence / bare:    %.3f of medians, %zu requests per answer\n",
              median(evidence_times) / median(bare_evidence_times), requests_per_evidence);
  std::printf("100-action history reply (%zu bytes), activity fact: median %.3f ms\n",
              hundred.size(), median(history_times) * 1e3);

  // Failover. Cold: every scan on a new client (a first read that meets the refusing node, and a
  // TLS handshake on both sides). Warm: scans on one client after its first scan, taking turns
  // with warm scans on a client whose first node is live. (Two clients taking turns on one
  // loopback node can settle into different speeds for a whole run, either way round; repeat.)
  const DeadPort refusing(false);
  const DeadPort black_hole(true);
  std::vector<double> live_cold;
  std::vector<double> refused_cold;
  for (int i = 0; i < std::max(20, scans / 5); ++i) {
    for (int half = 0; half < 2; ++half) {
      const bool refused = (half + i) % 2 == 0;
      const tarnwick::ScanContext fresh =
          failover_context(node, refused ? refusing.base : node.base_url());
      const auto start = Clock::now();
      all_ok = one_scan(fresh) && all_ok;
      (refused ? refused_cold : live_cold).push_back(seconds_since(start));
    }
  }
  // The live-first client of each warm comparison is new as well, with the same settings.
  const auto warm_ratio = [&](const tarnwick::ScanContext& moved_on, double& first_scan) {
    const tarnwick::ScanContext live_first = failover_context(node, node.base_url());
    all_ok = one_scan(live_first) && all_ok;
    auto start = Clock::now();
    all_ok = one_scan(moved_on) && all_ok;
    first_scan = seconds_since(start);
    std::vector<double> live_warm;
    std::vector<double> moved_warm;
    for (int i = 0; i < scans; ++i) {
      for (int half = 0; half < 2; ++half) {
        const bool moved = (half + i) % 2 == 0;
        start = Clock::now();
        all_ok = one_scan(moved ? moved_on : live_first) && all_ok;
        (moved ? moved_warm : live_warm).push_back(seconds_since(start));
      }
    }
    return median(moved_warm) / median(live_warm);
  };
  double refused_first = 0;
  double hole_first = 0;
  const double refused_warm = warm_ratio(failover_context(node, refusing.base), refused_first);
  const double hole_warm = warm_ratio(failover_context(node, black_hole.base), hole_first);
  if (!all_ok) std::fprintf(stderr, "a failover scan failed\n");
  std::printf("first node refusing connections (live node second):\n");
  std::printf("  new client per scan: median %.1f us, live first %.1f us, ratio %.3f\n",
              median(refused_cold) * 1e6, median(live_cold) * 1e6,
              median(refused_cold) / median(live_cold));
  std::printf("  warm client: first scan %.1f us, then ratio %.3f of medians\n",
              refused_first * 1e6, refused_warm);
  std::printf("first node a black hole (connect limit %lld ms):\n",
              static_cast<long long>(tarnwick::chain_connect_limit.count()));
  std::printf("  first scan %.1f ms, then ratio %.3f of medians\n", hole_first * 1e3, hole_warm);
  return 0;
}

// Round trips of each route: one answer of /scan, /evidence, /liquidity and /sell over a warm
// ChainClient against a loopback FakeNode that holds every reply 100 ms. Local work is a few
// milliseconds, so an answer's time divided by 100 ms is the number of round trips it waits for:
// what a far node costs, whatever the machine. Beside it, the reads made and, grouped by when they
// reached the node (to the nearest 50 ms after the answer began), the reads that were in flight
// together, so the rounds can be seen. Each route answers once before it is timed, so TLS
// handshakes are not counted (the handshakes of the timed answer are shown). Nothing passes or
// fails on the figures; the program fails only when a route does not complete.
//
//   round_trips_bench
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "assess/hazards.h"
#include "assess/liquidity.h"
#include "assess/sale_check.h"
#include "chain/code_hash_reply.h"
#include "chain/scan_context.h"
#include "chain/scan_token.h"
#include "chain/token_evidence.h"
#include "chain/token_liquidity.h"
#include "chain/token_sale.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"

namespace {

using Clock = std::chrono::steady_clock;
using tarnwick::test::FakeReply;
using tarnwick::test::RecordedRequest;

constexpr std::chrono::milliseconds hold{100};
constexpr std::string_view token = "tok";
// The local clock of the sale check: the second of the trace's block time below.
constexpr std::int64_t sale_now = 1'796'698'800;

// The string value of the first `"name":"...` in `body`; empty when there is none.
std::string field(std::string_view body, std::string_view name) {
  std::string key(1, '"');
  key.append(name).append("\":\"");
  const std::size_t at = body.find(key);
  if (at == std::string_view::npos) return {};
  const std::size_t from = at + key.size();
  return std::string(body.substr(from, body.find('"', from) - from));
}

// A short name of a read: its endpoint and what tells it from its neighbours.
std::string label(const RecordedRequest& request) {
  const std::string path = request.path();
  std::string out = path.substr(path.rfind('/') + 1);
  std::string what;
  if (out == "get_table_rows") {
    what = field(request.body, "code") + " " + field(request.body, "table");
  } else if (out == "get_account") {
    what = field(request.body, "account_name");
  } else if (out == "get_currency_balance") {
    what = field(request.body, "account");
  } else if (out == "compute_transaction") {
    what = field(request.body, "account") + " from " + field(request.body, "from");
  }
  return what.empty() ? out : out + "(" + what + ")";
}

// Arrival times of the node's requests, written by its connection threads.
struct Arrivals {
  std::mutex mutex;
  std::vector<std::pair<Clock::time_point, std::string>> reads;
};

// The node's replies: what `answer` gives, held `hold` first, the arrival noted.
FakeReply held(Arrivals& arrivals, const RecordedRequest& request,
               const std::function<std::string(const RecordedRequest&)>& answer) {
  {
    const std::lock_guard<std::mutex> lock(arrivals.mutex);
    arrivals.reads.emplace_back(Clock::now(), label(request));
  }
  FakeReply reply = FakeReply::json(answer(request));
  reply.delay = hold;
  return reply;
}

// Replies of a token "tok" of one symbol, TOK, issued by another account, "tokissuer".
std::string token_reply(const RecordedRequest& request) {
  const std::string path = request.path();
  const auto asks = [&](std::string_view text) {
    return request.body.find(text) != std::string::npos;
  };
  if (path == "/v1/chain/get_account") {
    return tarnwick::test::benign_account_json(field(request.body, "account_name"),
                                               "2024-01-15T10:30:00.000");
  }
  if (path == "/v2/history/get_actions") return tarnwick::test::actions_json(token);
  if (path == "/v1/chain/get_table_by_scope") {
    return tarnwick::test::stat_scopes_json(token, {"........dhbp4"});
  }
  if (path == "/v1/chain/get_currency_stats") {
    return tarnwick::test::currency_stats_json("TOK", "100000.0000 TOK", "1000000.0000 TOK",
                                               "tokissuer");
  }
  if (path == "/v2/state/get_top_holders") {
    return tarnwick::test::top_holders_json(
        token, "TOK", {{"dex", "600"}, {"alice", "500"}, {"bob", "400"}, {"carol", "300"}});
  }
  if (path == "/v1/chain/get_code_hash") {
    return tarnwick::test::code_hash_json(token, tarnwick::standard_token_build_2023);
  }
  if (path == "/v2/history/get_creator") {
    return R"({"account":"tok","creator":"founder","timestamp":"2024-01-15T10:30:00.000",)"
           R"("block_num":2995721,"trx_id":"5e38"})";
  }
  if (path == "/v1/chain/get_info") return tarnwick::test::wax_info_json;
  if (path == "/v1/chain/get_currency_balance") return R"(["20.0000 TOK"])";
  if (path == "/v1/chain/compute_transaction") {
    // The control refused as a transfer to oneself; a sale whose trace shows nothing.
    if (asks(R"("account":"eosio.token")")) {
      return R"({"transaction_id":"ab","processed":{"action_traces":[{"action_ordinal":1,)"
             R"("creator_action_ordinal":0,"receiver":"eosio.token","act":{"account":)"
             R"("eosio.token","name":"transfer"},"except":{"code":3050003,"name":)"
             R"("eosio_assert_message_exception","message":"m","stack":[{"data":{"s":)"
             R"("cannot transfer to self"}}]}}],"except":{"code":3050003}}})";
    }
    return R"({"transaction_id":"ab","processed":{"block_time":"2026-12-08T03:00:00.000",)"
           R"("receipt":{"status":"executed"},"except":null,"action_traces":[]}})";
  }
  if (asks("agentscores")) {
    return tarnwick::test::rows_json({tarnwick::test::agentscore_json(token, "350")});
  }
  if (asks(R"("table":"markets")")) {
    return tarnwick::test::rows_json({tarnwick::test::market_row_json(1, token, "eosio.token")});
  }
  if (asks(R"("code":"simpledex")")) {  // one SimpleDEX pool of XPR against TOK
    return tarnwick::test::rows_json(
        {R"({"id":7,"tokenAContract":"eosio.token","tokenASymbol":"4,XPR","reserveA":5000000,)"
         R"("tokenBContract":"tok","tokenBSymbol":"4,TOK","reserveB":900000,"paused":0,)"
         R"("feeRate":30,"lpSupply":"70710"})"});
  }
  return tarnwick::test::rows_json({});
}

// Replies of /liquidity: one swap.alcor pool of TOK holding four positions, one of them locked;
// proton.swaps and simpledex without pools.
std::string liquidity_reply(const RecordedRequest& request) {
  const auto asks = [&](std::string_view text) {
    return request.body.find(text) != std::string::npos;
  };
  if (request.path() == "/v1/chain/get_info") {
    return R"({"head_block_time":"2025-06-01T12:00:00.500"})";
  }
  if (asks(R"("table":"positions")")) {
    std::vector<std::string> rows;
    rows.reserve(4);
    for (int i = 0; i < 4; ++i) {
      rows.push_back(R"({"id":)" + std::to_string(100 + i) +
                     R"(,"owner":"alice",)"
                     R"("tickLower":"-20000","tickUpper":20000,"liquidity":"10000000000"})");
    }
    return tarnwick::test::rows_json(rows);
  }
  if (asks(R"("table":"locks")")) {
    return tarnwick::test::rows_json(
        {R"({"id":0,"pos_id":101,"unlockTime":"2026-01-01T00:00:00"})"});
  }
  if (asks(R"("code":"swap.alcor")")) {
    return tarnwick::test::rows_json(
        {R"({"id":12,"active":1,"tokenA":{"quantity":"1000.0000 TOK","contract":"tok"},)"
         R"("tokenB":{"quantity":"2000.0000 XPR","contract":"eosio.token"},"fee":3000,)"
         R"("currSlot":{"sqrtPriceX64":"36893488147419103232","tick":13863}})"});
  }
  if (asks(R"("code":"proton.swaps")") || asks(R"("code":"simpledex")")) {
    return tarnwick::test::rows_json({});
  }
  return token_reply(request);
}

struct Route {
  std::string name;
  std::string scenario;
  std::function<std::string(const RecordedRequest&)> replies;
  std::function<bool(const tarnwick::ScanContext&, tarnwick::JsonReader&)> answer;  // completed
};

// Times one answer of `route` after one untimed; false when either did not complete.
bool measure(const Route& route, tarnwick::test::FakeNode& node, Arrivals& arrivals,
             const tarnwick::ScanContext& context, tarnwick::JsonReader& reader) {
  node.set_handler(
      [&](const RecordedRequest& request) { return held(arrivals, request, route.replies); });
  const bool warm = route.answer(context, reader);
  const std::size_t requests_before = node.requests().size();
  const std::size_t handshakes_before = node.handshakes_completed();
  std::size_t first = 0;
  {
    const std::lock_guard<std::mutex> lock(arrivals.mutex);
    first = arrivals.reads.size();
  }
  const Clock::time_point start = Clock::now();
  const bool done = route.answer(context, reader);
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  const std::size_t reads = node.requests().size() - requests_before;
  std::printf("%-10s %5.2f round trips (%.0f ms), %zu reads, %zu handshakes: %s\n",
              route.name.c_str(), elapsed / std::chrono::duration<double>(hold).count(),
              elapsed * 1e3, reads, node.handshakes_completed() - handshakes_before,
              route.scenario.c_str());
  std::map<long, std::vector<std::string>> rounds;  // by arrival, to the nearest 50 ms
  {
    const std::lock_guard<std::mutex> lock(arrivals.mutex);
    for (std::size_t i = first; i < arrivals.reads.size(); ++i) {
      const double after =
          std::chrono::duration<double, std::milli>(arrivals.reads[i].first - start).count();
      rounds[std::lround(after / 50.0) * 50].push_back(arrivals.reads[i].second);
    }
  }
  for (const auto& [at, labels] : rounds) {
    std::string line;
    for (const std::string& read : labels) line += (line.empty() ? "" : ", ") + read;
    std::printf("  +%4ld ms  %zu: %s\n", at, labels.size(), line.c_str());
  }
  if (!warm || !done) std::printf("  did not complete\n");
  return warm && done;
}

}  // namespace

int main() {
  tarnwick::test::FakeNode node;
  Arrivals arrivals;
  const tarnwick::ScanContext context{
      tarnwick::ChainClient(tarnwick::test::client_settings(node, std::chrono::seconds(30))),
      "agentrep", 1'717'000'000, tarnwick::PriorRugList{}};
  tarnwick::JsonReader reader;  // kept from answer to answer, as the serving loop keeps one
  const std::optional<std::string> symbol = std::string("TOK");
  const Route routes[] = {
      {"/scan", "one symbol; the five reads", token_reply,
       [](const tarnwick::ScanContext& c, tarnwick::JsonReader& r) {
         return tarnwick::scan_token(tarnwick::scan_thresholds, c, token, r).has_value();
       }},
      {"/evidence", "one symbol, issued by another account, supply and holders read", token_reply,
       [](const tarnwick::ScanContext& c, tarnwick::JsonReader& r) {
         return tarnwick::gather_evidence(tarnwick::scan_thresholds, c, token, std::nullopt, r)
             .has_value();
       }},
      {"/liquidity", "symbol asked; one swap.alcor pool, 4 positions, 1 lock", liquidity_reply,
       [&](const tarnwick::ScanContext& c, tarnwick::JsonReader& r) {
         const tarnwick::LiquidityReport report = tarnwick::gather_liquidity(
             tarnwick::production_liquidity_settings, c, token, symbol, r);
         bool read = report.symbol.has_value();
         for (const tarnwick::LiquidityVenue& venue : report.venues) {
           read = read && venue.status == tarnwick::VenueStatus::read;
         }
         return read;
       }},
      {"/sell", "symbol asked; three holders, one simpledex pool", token_reply,
       [&](const tarnwick::ScanContext& c, tarnwick::JsonReader& r) {
         const tarnwick::SaleReport report = tarnwick::check_sale(c, token, symbol, r, sale_now);
         return report.control.has_value() && !report.runs.empty() && report.skipped.empty();
       }},
  };
  std::printf("every reply held %lld ms; round trips = answer time / %lld ms\n",
              static_cast<long long>(hold.count()), static_cast<long long>(hold.count()));
  bool all = true;
  for (const Route& route : routes) all = measure(route, node, arrivals, context, reader) && all;
  return all ? 0 : 1;
}

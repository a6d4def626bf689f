// One /liquidity answer (gathering and its JSON) over a warm ChainClient against a loopback
// FakeNode, against the same requests (same paths, same bodies, same replies) made bare on the
// same client the same way (bench/replay.h: recorded from one answer, the same reads begun
// together, up to four in flight): the ratio shows what the answer adds to its network exchanges
// (bodies, reading the pool rows, the position arithmetic, the JSON). The venues hold realistic
// tables: 30 swap pools, 200 SimpleDEX pools, 200 Alcor pools with the token's pool holding 50
// positions and their locks.
//
//   liquidity_bench [answers]      (default 300)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "assess/liquidity.h"
#include "chain/read_session.h"
#include "chain/scan_context.h"
#include "chain/token_liquidity.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"
#include "replay.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"

namespace {

using Clock = std::chrono::steady_clock;
using tarnwick::test::FakeReply;
using tarnwick::test::RecordedRequest;

std::string rows(int count, const std::string& (*row)(int, std::string&)) {
  std::vector<std::string> out;
  std::string scratch;
  for (int i = 0; i < count; ++i) out.push_back(row(i, scratch));
  return tarnwick::test::rows_json(out);
}

const std::string& swaps_row(int i, std::string& out) {
  out = R"({"lt_symbol":"8,LP)" + std::string(1, static_cast<char>('A' + i % 26)) +
        R"(","pool1":{"quantity":"100.0000 )" + (i == 0 ? std::string("TOK") : "OTH") +
        R"(","contract":")" + (i == 0 ? std::string("tok") : "other") +
        R"("},"pool2":{"quantity":"50.0000 XPR","contract":"eosio.token"},"active":1,)"
        R"("amplifier":0,"fee":{"exchange_fee":20,"lp_fee":20}})";
  return out;
}

const std::string& dex_row(int i, std::string& out) {
  out = R"({"id":)" + std::to_string(i) +
        R"(,"tokenAContract":"eosio.token","tokenASymbol":"4,XPR","reserveA":"5000000",)"
        R"("tokenBContract":")" +
        (i == 7 ? std::string("tok") : "other") +
        R"(","tokenBSymbol":"4,TOK","reserveB":2500000,"paused":0,"lpSupply":"70710"})";
  return out;
}

const std::string& alcor_row(int i, std::string& out) {
  out = R"({"id":)" + std::to_string(1000 - i) +
        R"(,"active":1,"tokenA":{"quantity":)"
        R"("1000.0000 )" +
        (i == 3 ? std::string("TOK") : "OTH") + R"(","contract":")" +
        (i == 3 ? std::string("tok") : "other") +
        R"("},"tokenB":{"quantity":"2000.0000 XPR","contract":"eosio.token"},"fee":3000,)"
        R"("currSlot":{"sqrtPriceX64":"36893488147419103232","tick":13863}})";
  return out;
}

const std::string& position_row(int i, std::string& out) {
  out = R"({"id":)" + std::to_string(100 + i) + R"(,"owner":")" +
        (i % 5 == 0 ? std::string("eosio.null") : "alice") +
        R"(","tickLower":"-20000","tickUpper":20000,"liquidity":"10000000000"})";
  return out;
}

const std::string& lock_row(int i, std::string& out) {
  out = R"({"id":)" + std::to_string(i) + R"(,"pos_id":)" + std::to_string(100 + 2 * i) +
        R"(,"unlockTime":"2026-01-01T00:00:00"})";
  return out;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int answers = argc > 1 ? std::atoi(argv[1]) : 300;
  tarnwick::test::FakeNode node;
  const FakeReply scopes =
      FakeReply::json(tarnwick::test::stat_scopes_json("tok", {"........dhbp4"}));
  const FakeReply swaps = FakeReply::json(rows(30, swaps_row));
  const FakeReply dex = FakeReply::json(rows(200, dex_row));
  const FakeReply alcor = FakeReply::json(rows(200, alcor_row));
  const FakeReply positions = FakeReply::json(rows(50, position_row));
  const FakeReply locks = FakeReply::json(rows(25, lock_row));
  const FakeReply info = FakeReply::json(R"({"head_block_time":"2025-06-01T12:00:00.500"})");
  const FakeReply empty = FakeReply::json(tarnwick::test::rows_json({}));
  node.set_handler([&](const RecordedRequest& request) {
    const std::string& body = request.body;
    const auto has = [&](std::string_view text) { return body.find(text) != std::string::npos; };
    if (request.path() == "/v1/chain/get_table_by_scope") return scopes;
    if (request.path() == "/v1/chain/get_info") return info;
    if (has(R"("code":"proton.swaps")")) return swaps;
    if (has(R"("code":"simpledex")")) return dex;
    if (has(R"("table":"positions")")) return positions;
    if (has(R"("table":"locks")")) return locks;
    if (has(R"("code":"swap.alcor")")) return alcor;
    return empty;
  });
  const tarnwick::ScanContext context{
      tarnwick::ChainClient(tarnwick::test::client_settings(node)), "agentrep", 1'700'000'000, {}};
  const std::optional<std::string> symbol = std::string("TOK");
  tarnwick::JsonReader reader;  // kept from answer to answer, as the serving loop keeps one

  // One answer first, its reads recorded as it made them: the bare side's starts and waits.
  const tarnwick::bench::RecordingTransport recording(context.client);
  tarnwick::ReadSession session(
      recording, reader,
      tarnwick::liquidity_budget(tarnwick::production_liquidity_settings, "tok", true));
  const std::string answer = tarnwick::liquidity_json(tarnwick::gather_liquidity(
      tarnwick::production_liquidity_settings, context, "tok", symbol, session));
  const tarnwick::bench::ReadLog& made = recording.log();
  std::size_t requests = 0;
  for (const std::size_t group : tarnwick::bench::begun_together(made)) requests += group;
  bool bare_ok = true;
  std::vector<double> full;
  std::vector<double> bare;
  for (int i = 0; i < answers; ++i) {
    Clock::time_point start = Clock::now();
    const std::string json = tarnwick::liquidity_json(tarnwick::gather_liquidity(
        tarnwick::production_liquidity_settings, context, "tok", symbol, reader));
    full.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    if (json != answer) {
      std::fprintf(stderr, "answers differ\n");
      return 1;
    }
    start = Clock::now();
    bare_ok = tarnwick::bench::replay(context.client, made) == 0 && bare_ok;
    bare.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  const double full_median = median(full);
  const double bare_median = median(bare);
  if (!bare_ok) std::fprintf(stderr, "a bare request failed\n");
  std::printf("/liquidity: %zu requests per answer (begun together: %s), %zu bytes of JSON\n",
              requests, tarnwick::bench::begun_together_text(made).c_str(), answer.size());
  std::printf(
      "  answer median %.1f us, bare requests made the same way median %.1f us, ratio %.3f of "
      "medians\n",
      full_median * 1e6, bare_median * 1e6, full_median / bare_median);
  return 0;
}

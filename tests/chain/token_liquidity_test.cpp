#include "chain/token_liquidity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assess/liquidity.h"
#include "chain/chain_info_reply.h"
#include "chain/pool_tables.h"
#include "chain/read_session.h"
#include "chain/token_symbol.h"
#include "chain/xpr_replies.h"
#include "common/calendar.h"
#include "common/json_reader.h"
#include "support/memory_transport.h"

namespace tarnwick {
namespace {

using test::Scripted;

// The text of a string member of a request body ("" when absent).
std::string body_member(const std::string& body, std::string_view key) {
  std::string opening = "\"";
  opening += key;
  opening += "\":\"";
  const std::size_t start = body.find(opening);
  if (start == std::string::npos) return {};
  const std::size_t from = start + opening.size();
  return body.substr(from, body.find('"', from) - from);
}

// A get_table_rows page; with a next key the table goes on.
std::string page_json(const std::vector<std::string>& rows, std::string_view next_key = "") {
  std::string out = R"({"rows":[)";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) out += ',';
    out += rows[i];
  }
  out += next_key.empty() ? R"(],"more":false,"next_key":")" : R"(],"more":true,"next_key":")";
  out += next_key;
  out += "\"}";
  return out;
}

std::string swaps_row(std::string_view active, std::string_view extra = R"("amplifier":0)") {
  return R"({"lt_symbol":"8,TOKXPR","creator":"maker","pool1":{"quantity":"100.0000 TOK",)"
         R"("contract":"tok"},"pool2":{"quantity":"50.0000 XPR","contract":"eosio.token"},)"
         R"("active":)" +
         std::string(active) + "," + std::string(extra) + "}";
}

std::string dex_row(std::string_view id, std::string_view reserve, std::string_view paused,
                    std::string_view contract = "tok") {
  return R"({"id":)" + std::string(id) +
         R"(,"tokenAContract":"eosio.token","tokenASymbol":"4,XPR","reserveA":5000000,)"
         R"("tokenBContract":")" +
         std::string(contract) + R"(","tokenBSymbol":"4,TOK","reserveB":)" + std::string(reserve) +
         R"(,"paused":)" + std::string(paused) + R"(,"lpSupply":"9"})";
}

// A swap.alcor pool of TOK (side A) against XPR at s = 2 (2^65 as sqrtPriceX64).
std::string alcor_row(std::string_view id, std::string_view active,
                      std::string_view sqrt_price = R"("36893488147419103232")") {
  return R"({"id":)" + std::string(id) + R"(,"active":)" + std::string(active) +
         R"(,"tokenA":{"quantity":"1000000.0000 TOK","contract":"tok"},)"
         R"("tokenB":{"quantity":"2000000.0000 XPR","contract":"eosio.token"},"fee":3000,)"
         R"("currSlot":{"sqrtPriceX64":)" +
         std::string(sqrt_price) + R"(,"tick":13863,"lastObservationTimestamp":0}})";
}

// A position of liquidity 10^10 over ticks 0..20000: at s = 2 it holds 132102.1656 TOK.
std::string position_row(int id, std::string_view owner,
                         std::string_view liquidity = R"("10000000000")") {
  return R"({"id":)" + std::to_string(id) + R"(,"owner":")" + std::string(owner) +
         R"(","tickLower":"0","tickUpper":20000,"liquidity":)" + std::string(liquidity) +
         R"(,"feeGrowthInsideALastX64":"0"})";
}

constexpr std::uint64_t position_units = 1321021656;

class TokenLiquidityTest : public ::testing::Test {
 public:
  // The replies of get_table_rows by "code/table/scope/lower_bound"; any other table read gets
  // an empty page, unless `late_` or `over_budget_` names it.
  LiquidityReport gather(std::string_view token = "tok",
                         std::optional<std::string> symbol = std::string("TOK")) {
    transport_ = std::make_unique<test::MemoryTransport>([this](const ChainRequest& request) {
      if (request.path == "/v1/chain/get_table_by_scope") return scopes_;
      if (request.path == "/v1/chain/get_info") return info_;
      if (request.path != "/v1/chain/get_table_rows") return Scripted(RouteMissing{});
      const std::string key = table_key(request.body.value_or(""));
      if (key == over_budget_) return Scripted(OverBudget{});
      const auto found = tables_.find(key);
      return Scripted(found != tables_.end() ? found->second : test::rows_json({}));
    });
    transport_->latency = latency_;
    const ScanContext context{ChainClient(ClientSettings{}), "agentrep", test::created_2024_01_15,
                              parse_prior_rugs("rugger\n")};
    JsonReader reader;
    ReadSession session(*transport_, reader,
                        liquidity_budget(settings_, token, symbol.has_value()));
    return gather_liquidity(settings_, context, token, symbol, session);
  }

  void table(const std::string& key, const std::string& reply) { tables_[key] = reply; }

  // The reads of the last answer, in the order started.
  std::vector<ChainRequest> reads() const {
    std::vector<ChainRequest> all;
    for (const std::vector<ChainRequest>& batch : transport_->batches()) {
      all.insert(all.end(), batch.begin(), batch.end());
    }
    return all;
  }

  static std::string table_key(const std::string& body) {
    return body_member(body, "code") + "/" + body_member(body, "table") + "/" +
           body_member(body, "scope") + "/" +
           body_member(body,
                       body.find("reverse") == std::string::npos ? "lower_bound" : "upper_bound");
  }

  static const LiquidityVenue& venue(const LiquidityReport& report, std::string_view name) {
    for (const LiquidityVenue& venue : report.venues) {
      if (venue.venue == name) return venue;
    }
    static const LiquidityVenue none;
    ADD_FAILURE() << "no venue " << name;
    return none;
  }

  std::unique_ptr<test::MemoryTransport> transport_;  // of the last answer
  LiquiditySettings settings_;
  std::map<std::string, std::string> tables_;
  std::string over_budget_;               // the table read that the transport cannot make in time
  std::chrono::milliseconds latency_{0};  // of every read
  Scripted scopes_ = test::stat_scopes_json("tok", {"........dhbp4"});
  Scripted info_ = R"({"server_version":"x","head_block_num":5,)"
                   R"("head_block_time":"2025-06-01T12:00:00.500"})";
};

// Every form a live node prints a field in is read, extra members ignored, the amounts the token's
// side at its precision, rounded down; a row lacking a needed field, or holding it in another form,
// makes its venue unavailable, never "no pool", while the other venues are still read.
TEST_F(TokenLiquidityTest, RowFormsAreReadOrMakeTheirVenueUnavailable) {
  struct Case {
    std::string name, key, reply, venue;
    std::optional<std::string> token_amount;  // none: the venue is unavailable
    bool active = true;
  };
  const std::vector<Case> cases = {
      {"active 1, amplifier", "proton.swaps/pools/proton.swaps/", page_json({swaps_row("1")}),
       "proton.swaps", "100.0000 TOK"},
      {"active false, reserved as text, extra members", "proton.swaps/pools/proton.swaps/",
       page_json({swaps_row("false", R"("reserved":"0","fee":{"exchange_fee":20})")}),
       "proton.swaps", "100.0000 TOK", false},
      {"reserve as a number, paused 0", "simpledex/pools/simpledex/",
       page_json({dex_row("5", "2500000", "0")}), "simpledex", "250.0000 TOK"},
      {"id and reserve as text, paused true", "simpledex/pools/simpledex/",
       page_json({dex_row(R"("5")", R"("18446744073709")", "true")}), "simpledex",
       "1844674407.3709 TOK", false},
      {"id as text, sqrtPriceX64 as text, active 1", "swap.alcor/pools/swap.alcor/",
       page_json({alcor_row(R"("3")", "1")}), "swap.alcor", "1000000.0000 TOK"},
      {"sqrtPriceX64 as a number beyond 64 bits, active false", "swap.alcor/pools/swap.alcor/",
       page_json({alcor_row("3", "false", "36893488147419103232")}), "swap.alcor",
       "1000000.0000 TOK", false},
      {"no active", "proton.swaps/pools/proton.swaps/",
       page_json({R"({"lt_symbol":"8,TOKXPR","pool1":{"quantity":"1.0000 TOK","contract":"tok"},)"
                  R"("pool2":{"quantity":"1.0000 XPR","contract":"eosio.token"},"amplifier":0})"}),
       "proton.swaps", std::nullopt},
      {"pool1 as a plain asset", "proton.swaps/pools/proton.swaps/",
       page_json({swaps_row("1", R"("amplifier":0,"pool1":"100.0000 TOK")")}), "proton.swaps",
       std::nullopt},
      {"paused as text", "simpledex/pools/simpledex/", page_json({dex_row("5", "1", R"("no")")}),
       "simpledex", std::nullopt},
      {"reserve as a fraction, another token's row", "simpledex/pools/simpledex/",
       page_json({dex_row("5", "1.5", "0", "other")}), "simpledex", std::nullopt},
      {"no currSlot", "swap.alcor/pools/swap.alcor/",
       page_json({R"({"id":3,"active":1,"tokenA":{"quantity":"1.0000 TOK","contract":"tok"},)"
                  R"("tokenB":{"quantity":"1.0000 XPR","contract":"eosio.token"}})"}),
       "swap.alcor", std::nullopt},
      {"tick as a word", "swap.alcor/positions/3/",
       page_json({R"({"id":1,"owner":"alice","tickLower":"low","tickUpper":1,"liquidity":1})"}),
       "swap.alcor", std::nullopt},
  };
  for (const Case& c : cases) {
    tables_.clear();
    if (!c.token_amount) table("swap.alcor/pools/swap.alcor/", page_json({alcor_row("3", "1")}));
    table(c.key, c.reply);
    const LiquidityReport report = gather();
    for (const LiquidityVenue& each : report.venues) {
      const bool unavailable = each.venue == c.venue && !c.token_amount;
      EXPECT_EQ(each.status, unavailable ? VenueStatus::unavailable : VenueStatus::read)
          << c.name << ": " << each.venue << " " << each.why.text;
      if (unavailable) {
        EXPECT_EQ(each.why.text, row_shape_not_recognised) << c.name;
      }
    }
    if (!c.token_amount) continue;
    const LiquidityVenue& found = venue(report, c.venue);
    ASSERT_EQ(found.pools.size(), 1U) << c.name;
    const LiquidityPool& pool = found.pools[0];
    std::string amount;
    append_asset(amount, *pool.token.units, pool.token.precision, pool.token.symbol);
    EXPECT_EQ(amount, *c.token_amount) << c.name;
    EXPECT_EQ(pool.active, c.active) << c.name;
  }
}

// Pages follow next_key (lower_bound forward, upper_bound newest first) up to their count; a table
// that goes on beyond it makes the venue capped with what was found kept.
TEST_F(TokenLiquidityTest, PagesFollowNextKeyUpToTheirCount) {
  table("simpledex/pools/simpledex/", page_json({dex_row("1", "10000", "0")}, "200"));
  table("simpledex/pools/simpledex/200", page_json({dex_row("200", "20000", "0")}, "400"));
  table("simpledex/pools/simpledex/400", page_json({dex_row("400", "30000", "0")}, "600"));
  table("swap.alcor/pools/swap.alcor/", page_json({alcor_row("900", "1")}, "700"));
  table("swap.alcor/pools/swap.alcor/700", page_json({alcor_row("700", "1")}));
  latency_ = std::chrono::milliseconds(100);
  const LiquidityReport report = gather();
  latency_ = {};
  const LiquidityVenue& dex = venue(report, "simpledex");
  EXPECT_EQ(dex.status, VenueStatus::capped);
  EXPECT_EQ(dex.why.text, "page limit reached");
  EXPECT_EQ(dex.pools.size(), 3U);
  const LiquidityVenue& alcor = venue(report, "swap.alcor");
  EXPECT_EQ(alcor.status, VenueStatus::read) << alcor.why.text;
  EXPECT_EQ(alcor.pools.size(), 2U);

  ASSERT_EQ(reads().size(), 1U + 1U + 3U + 2U + 2U);  // stat, swaps, dex, alcor, positions

  // Which start together, each read a round trip: every venue's first page; then the pages that
  // go on; then the positions of each Alcor pool found beside the last page.
  std::vector<std::vector<std::string>> rounds;
  for (const std::vector<ChainRequest>& batch : transport_->rounds()) {
    rounds.emplace_back();
    for (const ChainRequest& request : batch) {
      rounds.back().push_back(request.body ? table_key(*request.body) : request.path);
    }
  }
  EXPECT_EQ(rounds, (std::vector<std::vector<std::string>>{
                        {"tok/stat//"},
                        {"proton.swaps/pools/proton.swaps/", "simpledex/pools/simpledex/",
                         "swap.alcor/pools/swap.alcor/"},
                        {"simpledex/pools/simpledex/200", "swap.alcor/pools/swap.alcor/700"},
                        {"simpledex/pools/simpledex/400", "swap.alcor/positions/900/",
                         "swap.alcor/positions/700/"}}));

  // A node that names the same next key again: capped there, each pool counted once.
  table("swap.alcor/pools/swap.alcor/", page_json({alcor_row("900", "1")}, "5"));
  table("swap.alcor/pools/swap.alcor/5", page_json({alcor_row("900", "1")}, "5"));
  const LiquidityVenue repeated = venue(gather(), "swap.alcor");
  EXPECT_EQ(repeated.why.text, "the node repeated a next key");
  EXPECT_EQ(repeated.pools.size(), 1U);
  // `more` ends a table only as false, "" or absent: any other value says rows go on.
  for (const std::string more : {"1", "0", "null"}) {
    table("swap.alcor/pools/swap.alcor/", R"({"rows":[],"more":)" + more + "}");
    const LiquidityVenue going = venue(gather(), "swap.alcor");
    EXPECT_EQ(going.status, VenueStatus::capped) << more;
    EXPECT_EQ(going.why.text, "the node gave no next key") << more;
  }
  // A `rows` that is no array is no answer: never a venue without pools.
  for (const std::string rows : {"null", "{}", R"("none")"}) {
    table("proton.swaps/pools/proton.swaps/", R"({"rows":)" + rows + "}");
    const LiquidityVenue swaps = venue(gather(), "proton.swaps");
    EXPECT_EQ(swaps.status, VenueStatus::unavailable) << rows;
    EXPECT_EQ(swaps.why.text, "pools: reply without rows") << rows;
  }
}

// Each table's bound caps what it leaves unread, its shares unknown, never shown as a venue
// without pools; the other tables are read as if it were not there.
TEST_F(TokenLiquidityTest, TheReadBoundCapsWhatItLeavesUnread) {
  table("swap.alcor/pools/swap.alcor/", page_json({alcor_row("3", "1")}));
  table("swap.alcor/positions/3/", page_json({position_row(1, "alice")}));
  table("swap.alcor/locks/swap.alcor/1", page_json({R"({"pos_id":1,"unlockTime":1})"}));
  struct Case {
    std::function<void(LiquiditySettings&)> bound;
    std::vector<VenueStatus> statuses;  // proton.swaps, simpledex, simplelaunch, swap.alcor
    std::uint32_t alcor_unknown_bp;
    std::uint32_t reads;
    std::string why;  // swap.alcor's
  };
  using enum VenueStatus;
  const std::vector<Case> cases = {
      {[](LiquiditySettings& s) { s.dex_pools.pages = s.alcor_pools.pages = 0; },
       {read, capped, read, capped},
       0,
       2,
       "page limit reached"},
      {[](LiquiditySettings& s) { s.positions.pages = 0; },
       {read, read, read, capped},
       10000,
       4,
       "page limit reached"},
      {[](LiquiditySettings& s) { s.position_pools = 0; },
       {read, read, read, capped},
       10000,
       4,
       "read limit reached"},
      {[](LiquiditySettings& s) { s.locks.pages = 0; },
       {read, read, read, capped},
       10000,
       5,
       "page limit reached"},
      {[](LiquiditySettings&) {}, {read, read, read, read}, 0, 7, ""},
  };
  for (const Case& c : cases) {
    settings_ = LiquiditySettings{};
    c.bound(settings_);
    const LiquidityReport report = gather();
    EXPECT_EQ(report.reads, c.reads) << c.why;
    for (std::size_t i = 0; i < c.statuses.size(); ++i) {
      EXPECT_EQ(report.venues[i].status, c.statuses[i]) << c.reads << " " << i;
    }
    const LiquidityVenue& alcor = report.venues[3];
    if (!alcor.pools.empty()) {
      EXPECT_EQ(split_bp(alcor.pools[0].shares, alcor.pools[0].when_empty)[share_unknown],
                c.alcor_unknown_bp)
          << c.reads;
    }
    EXPECT_EQ(alcor.why.text, c.why) << c.reads;
  }
  settings_ = LiquiditySettings{};
  settings_.total_time = least_read_time - std::chrono::milliseconds(1);
  const LiquidityReport late = gather();
  EXPECT_EQ(late.reads, 0U);
  EXPECT_EQ(late.venues[0].why.text, "time limit reached");

  // Time is the transport's: a reply 29.5 s late leaves too little for a venue's read. A read the
  // transport could not make in the time left caps its venue, as the bound does.
  settings_.total_time = std::chrono::seconds(30);
  scopes_ = Scripted(Reply{test::stat_scopes_json("tok", {"........dhbp4"}), {}},
                     std::chrono::milliseconds(29'500));
  const LiquidityReport slow = gather();
  EXPECT_EQ(slow.reads, 1U);
  EXPECT_EQ(venue(slow, "simpledex").why.text, "time limit reached");
  scopes_ = test::stat_scopes_json("tok", {"........dhbp4"});
  over_budget_ = "swap.alcor/pools/swap.alcor/";
  const LiquidityVenue cut = venue(gather(), "swap.alcor");
  EXPECT_EQ(cut.status, VenueStatus::capped);
  EXPECT_EQ(cut.why.text, "time limit reached");
}

// Burned by owner, locked while the unlock time is after the head block time, withdrawable when
// the lock expired or there is none; positions beyond the pages read leave the rest unknown.
TEST_F(TokenLiquidityTest, PositionsAreLockedBurnedOrWithdrawable) {
  table("swap.alcor/pools/swap.alcor/", page_json({alcor_row("3", "1")}));
  table("swap.alcor/positions/3/",
        page_json({position_row(11, "alice"), position_row(12, "bob", "10000000000"),
                   position_row(13, "eosio.null"), position_row(14, "carol")}));
  table("swap.alcor/locks/swap.alcor/11",
        page_json({R"({"id":1,"pos_id":11,"unlockTime":"2025-07-01T00:00:00","owner":"alice"})",
                   R"({"id":2,"pos_id":12,"unlockTime":1748779200})"}));
  LiquidityReport report = gather();
  const LiquidityPool& pool = venue(report, "swap.alcor").pools.at(0);
  EXPECT_EQ(pool.shares, (ShareUnits{position_units, position_units, 2 * position_units, 0, 0}));
  EXPECT_EQ(pool.positions_read, 4U);
  ASSERT_TRUE(pool.earliest_unlock);
  EXPECT_EQ(utc_time_text(*pool.earliest_unlock), "2025-07-01T00:00:00");
  const std::vector<ChainRequest> requests = reads();
  EXPECT_EQ(requests.at(requests.size() - 2).body,
            R"({"json":true,"code":"swap.alcor","scope":"swap.alcor","table":"locks",)"
            R"("lower_bound":"11","upper_bound":"14","limit":200})");
  EXPECT_EQ(requests.back().path, "/v1/chain/get_info");
  EXPECT_EQ(
      liquidity_json(report),
      R"({"version":1,"token":"tok","symbol":"TOK","symbols":["TOK"],"symbols_more":false,)"
      R"("shared":false,"shared_counted_as":null,)"
      R"("venues":[{"venue":"proton.swaps","status":"read","pools":[]},)"
      R"({"venue":"simpledex","status":"read","pools":[]},)"
      R"({"venue":"simplelaunch","status":"read","pools":[],"launch":null},)"
      R"({"venue":"swap.alcor","status":"read","pools":[{"id":3,"pair":{"contract":"eosio.token",)"
      R"("symbol":"XPR"},"token_amount":"1000000.0000 TOK","pair_amount":"2000000.0000 XPR",)"
      R"("active":true,"shares":{"locked":2500,"burned":2500,"withdrawable":5000,"curve":0,)"
      R"("unknown":0},"earliest_unlock":"2025-07-01T00:00:00","positions_read":4}]}],)"
      R"("totals":{"pools":1,"token_amount":"1000000.0000 TOK","shares":{"locked":2500,)"
      R"("burned":2500,"withdrawable":5000,"curve":0,"unknown":0},"all_read":true},"reads":7})");

  // Unlock times past the year 9999, as a number or as the largest integer text: locked with no
  // end date, never shown as a date.
  table("swap.alcor/locks/swap.alcor/11",
        page_json({R"({"pos_id":11,"unlockTime":253402300800})",
                   R"({"pos_id":12,"unlockTime":"9223372036854775807"})"}));
  report = gather();
  const LiquidityPool& endless = venue(report, "swap.alcor").pools.at(0);
  EXPECT_EQ(endless.shares[share_locked], 2 * position_units);
  EXPECT_NE(liquidity_json(report).find(R"("earliest_unlock":null,"unlock_without_end":true)"),
            std::string::npos);

  // The positions go on beyond their pages: the pool's amount beyond those read is unknown.
  settings_.positions.pages = 1;
  table("swap.alcor/positions/3/", page_json({position_row(11, "alice")}, "12"));
  report = gather();
  const LiquidityVenue& capped = venue(report, "swap.alcor");
  EXPECT_EQ(capped.status, VenueStatus::capped);
  EXPECT_EQ(capped.pools.at(0).shares,
            (ShareUnits{position_units, 0, 0, 0, 10'000'000'000 - position_units}));
}

// A launch token's curve: before graduation its XPR is held by the curve; after it, the SimpleDEX
// pool it graduated to is read alone when the pages missed it. The creator is checked against the
// prior-rug list.
TEST_F(TokenLiquidityTest, AGraduatedCurveReachesItsSimpleDexPool) {
  scopes_ = test::stat_scopes_json("simpletoken", {"......2bdxd4a"});
  settings_.dex_pools.pages = 1;
  const std::string other = R"({"id":"8","symbol":"4,OTHER","creator":"alice","realXpr":1,)"
                            R"("graduated":0,"dexPoolId":0})";
  table("simplelaunch/curves/simplelaunch/",
        page_json({other, R"({"id":7,"symbol":"FROG","creator":"rugger","realXpr":"12345678",)"
                          R"("graduated":true,"dexPoolId":"77","startXpr":0})"}));
  table("simpledex/pools/simpledex/", page_json({dex_row("1", "1", "0", "someone")}, "2"));
  const std::string frog_pool =
      R"({"id":77,"tokenAContract":"simpletoken","tokenASymbol":"4,FROG","reserveA":"990000",)"
      R"("tokenBContract":"eosio.token","tokenBSymbol":"4,XPR","reserveB":123,"paused":0})";
  table("simpledex/pools/simpledex/77", page_json({frog_pool}));
  LiquidityReport report = gather("simpletoken", std::nullopt);
  EXPECT_EQ(report.symbol, "FROG");
  const LiquidityVenue& launch = venue(report, "simplelaunch");
  EXPECT_EQ(launch.status, VenueStatus::read);
  ASSERT_TRUE(launch.launch);
  EXPECT_EQ(launch.launch->creator, "rugger");
  EXPECT_TRUE(launch.launch->creator_listed);
  EXPECT_TRUE(launch.pools.empty());
  const LiquidityVenue& dex = venue(report, "simpledex");
  EXPECT_EQ(dex.status, VenueStatus::capped);
  ASSERT_EQ(dex.pools.size(), 1U);
  EXPECT_EQ(dex.pools[0].id, 77U);
  EXPECT_EQ(dex.pools[0].token.units, 990000U);

  table("simplelaunch/curves/simplelaunch/",
        page_json({R"({"id":7,"symbol":"4,FROG","creator":"bob","realXpr":"12345678",)"
                   R"("graduated":0,"dexPoolId":0})"}));
  report = gather("simpletoken", std::string("FROG"));
  const LiquidityVenue& curve = venue(report, "simplelaunch");
  ASSERT_EQ(curve.pools.size(), 1U);
  EXPECT_EQ(curve.pools[0].pair.units, 12345678U);
  EXPECT_EQ(split_bp(curve.pools[0].shares, curve.pools[0].when_empty)[share_curve], 10000U);
  EXPECT_TRUE(venue(report, "simpledex").pools.empty()) << "no direct read before graduation";
}

TEST_F(TokenLiquidityTest, WithoutAChosenSymbolNoVenueIsRead) {
  scopes_ = test::stat_scopes_json("tok", {"........dhbp4", "........edc5c"});
  const LiquidityReport report = gather("tok", std::nullopt);
  EXPECT_EQ(report.reads, 2U);  // the market row and the symbols
  EXPECT_EQ(report.symbols, (std::vector<std::string>{"TOK", "XPR"}));
  for (const LiquidityVenue& each : report.venues) {
    EXPECT_EQ(each.status, VenueStatus::unavailable);
    EXPECT_EQ(each.why.text, "the contract holds several token symbols");
  }
}

}  // namespace
}  // namespace tarnwick

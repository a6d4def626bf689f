#include "chain/symbol_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chain/xpr_replies.h"
#include "common/json_reader.h"
#include "support/memory_transport.h"

namespace tarnwick {
namespace {

using test::Scripted;

std::string registry_row(int id, std::string_view contract, std::string_view symbol,
                         std::string_view blisted) {
  return R"({"id":)" + std::to_string(id) + R"(,"tcontract":")" + std::string(contract) +
         R"(","tname":"USD Coin","url":"","desc":"","iconurl":"","symbol":")" +
         std::string(symbol) + R"(","blisted":)" + std::string(blisted) + "}";
}

// Every table read beside the others; a registry page the node cannot print is read again in
// binary form (its row of precision 19, a lookalike on xtokens); the network's token first; a
// table cut by its bound named as unread, never taken for one without the symbol.
TEST(SymbolSearch, WhoCarriesASymbolFromEveryTableRead) {
  std::vector<ChainRequest> registry_reads;
  const test::MemoryTransport transport([&](const ChainRequest& request) -> Scripted {
    const std::string body = request.body.value_or("");
    const auto asks = [&](std::string_view text) { return body.find(text) != std::string::npos; };
    if (asks("token.proton")) {
      registry_reads.push_back(request);
      if (!asks(R"("lower_bound":"3")")) {
        return R"({"rows":[)" + registry_row(1, "fakeusdc", "6,XUSDC", "1") + "," +
               registry_row(2, "xtokens", "6,XUSDC", "0") + R"(],"more":true,"next_key":"3"})";
      }
      if (asks(R"("json":true)")) return Scripted(ChainError{3010010, "unpack_exception"});
      return R"({"rows":["0300000000000000000000004f0569ee055855534443000000)"
             R"(135553444300000000"],"more":false,"next_key":""})";
    }
    if (asks(R"("markets")")) {
      return test::rows_json({test::market_row_json(4, "other", "eosio.token"),
                              R"({"market_id":5,"symbol":"XUSDCXPR","status_code":1,)"
                              R"("bid_token":{"contract":"mkt.usdc","sym":"6,XUSDC"},)"
                              R"("ask_token":{"contract":"eosio.token","sym":"4,XPR"}})"});
    }
    if (asks(R"("simpledex")")) {
      return R"({"rows":[{"id":9,"tokenAContract":"dexusdc","tokenASymbol":"6,XUSSDC",)"
             R"("tokenBContract":"eosio.token","tokenBSymbol":"4,XPR","reserveA":1,)"
             R"("reserveB":1,"paused":0}],"more":true,"next_key":"10"})";
    }
    return test::rows_json({});
  });
  const ScanContext context{
      ChainClient(ClientSettings{}), "agentrep", test::created_2024_01_15, {}};
  JsonReader reader;
  SymbolSearchSettings settings;
  settings.dex_pools.pages = 1;
  ReadSession session(transport, reader, symbol_budget(settings));
  const SymbolReport report = search_symbol(settings, context, "XUSDC", session);
  EXPECT_EQ(
      symbol_json(report),
      R"({"version":1,"symbol":"XUSDC","contracts":[)"
      R"({"contract":"xtokens","symbol":"XUSDC","known":true,"lookalike":false,)"
      R"("name":"USD Coin","blisted":false,"seen":["known","registry"]},)"
      R"({"contract":"fakeusdc","symbol":"XUSDC","known":false,"lookalike":false,)"
      R"("name":"USD Coin","blisted":true,"seen":["registry"]},)"
      R"({"contract":"xtokens","symbol":"USDC","known":false,"lookalike":true,)"
      R"("name":"XUSDC","blisted":false,"seen":["registry"]},)"
      R"({"contract":"mkt.usdc","symbol":"XUSDC","known":false,"lookalike":false,)"
      R"("name":null,"blisted":null,"seen":["market"]},)"
      R"({"contract":"dexusdc","symbol":"XUSSDC","known":false,"lookalike":true,)"
      R"("name":null,"blisted":null,"seen":["simpledex"]}],)"
      R"("unread":[{"what":"simpledex","why":"page limit reached"}],"all_read":false,"reads":7})");
  ASSERT_EQ(registry_reads.size(), 3U);
  EXPECT_NE(registry_reads[2].body->find(R"("json":false)"), std::string::npos);
  EXPECT_EQ(transport.batches().front().size(), 5U) << "every table's first page at once";
}

}  // namespace
}  // namespace tarnwick

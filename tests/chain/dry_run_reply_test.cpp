#include "chain/dry_run_reply.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/json_reader.h"

namespace tarnwick {
namespace {

// An exception as a node prints it; `s` goes into the stack's data when set.
std::string except_json(std::int64_t code, const std::string& name, const std::string& s = "") {
  const std::string data = s.empty() ? "{}" : R"({"s":")" + s + "\"}";
  return R"({"code":)" + std::to_string(code) + R"(,"name":")" + name +
         R"(","message":"the exception's message","stack":[{"context":{"level":"error",)"
         R"("file":"cf_system.cpp","line":14,"method":"eosio_assert"},"format":"assertion )"
         R"(failure with message: ${s}","data":)" +
         data + "}]}";
}

// An action trace as a node prints it, the members the reader skips included.
std::string trace_json(int ordinal, int creator, const std::string& receiver,
                       const std::string& account, const std::string& except = "null") {
  return R"({"action_ordinal":)" + std::to_string(ordinal) + R"(,"creator_action_ordinal":)" +
         std::to_string(creator) +
         R"(,"closest_unnotified_ancestor_action_ordinal":0,)"
         R"("receipt":null,"receiver":")" +
         receiver + R"(","act":{"account":")" + account +
         R"(","name":"transfer","authorization":[{"actor":"alice","permission":"active"}],)"
         R"("data":{},"hex_data":""},"context_free":false,"elapsed":12,"console":"",)"
         R"("trx_id":"ab","block_num":1,"block_time":"2026-12-08T03:00:00.000",)"
         R"("producer_block_id":null,"account_ram_deltas":[],"except":)" +
         except + R"(,"error_code":null,"return_value_hex_data":""})";
}

std::string reply_json(const std::vector<std::string>& traces, const std::string& except) {
  std::string joined;
  for (const std::string& trace : traces) joined += (joined.empty() ? "" : ",") + trace;
  return R"({"transaction_id":"ab","processed":{"id":"ab","block_num":1,"receipt":null,)"
         R"("elapsed":40,"net_usage":0,"scheduled":false,"action_traces":[)" +
         joined + R"(],"account_ram_delta":null,"except":)" + except + R"(,"error_code":null}})";
}

TEST(DryRunReply, EachRefusalIsPutOnWhoseCodeThrew) {
  const std::string assert_3050003 = except_json(3050003, "eosio_assert_message_exception", "no");
  const std::string transfer = trace_json(1, 0, "snipcoins", "snipcoins");
  const std::string to_alice = trace_json(2, 1, "alice", "snipcoins");
  const std::string cut(250, 'x');
  struct Case {
    std::string name;
    std::string reply;
    bool sale;  // to the venue swap.alcor, else a plain transfer to bob
    RunOutcome outcome;
    std::string by;
    std::optional<std::int64_t> code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"went through",
       reply_json({transfer, to_alice, trace_json(3, 1, "bob", "snipcoins")}, "null"), false,
       RunOutcome::went_through, "", std::nullopt, ""},
      {"a contract the token notifies asserts, its long text cut to 200 characters",
       reply_json(
           {transfer, to_alice,
            trace_json(3, 1, "guard", "snipcoins", except_json(3050003, "a", "\u00e9" + cut))},
           "{}"),
       false, RunOutcome::refused_by_token, "guard", 3050003, "\u00e9" + cut.substr(0, 199)},
      {"an action the token sends asserts",
       reply_json({transfer, trace_json(2, 1, "guard", "guard", assert_3050003)}, assert_3050003),
       false, RunOutcome::refused_by_token, "guard", 3050003, "no"},
      {"the receiving holder's contract asserts",
       reply_json({transfer, to_alice, trace_json(3, 1, "bob", "snipcoins", assert_3050003)},
                  assert_3050003),
       false, RunOutcome::inconclusive, "bob", 3050003, "no"},
      {"the venue asserts on its notification",
       reply_json({transfer, to_alice, trace_json(3, 1, "swap.alcor", "snipcoins", assert_3050003)},
                  assert_3050003),
       true, RunOutcome::refused_by_venue, "swap.alcor", 3050003, "no"},
      {"the venue's own transfer back fails",
       reply_json({transfer, trace_json(2, 1, "swap.alcor", "snipcoins"),
                   trace_json(3, 2, "eosio.token", "eosio.token", assert_3050003)},
                  assert_3050003),
       true, RunOutcome::refused_by_venue, "eosio.token", 3050003, "no"},
      {"the CPU limit, in the transaction only",
       reply_json({transfer}, except_json(3080004, "tx_cpu_usage_exceeded")), false,
       RunOutcome::inconclusive, "", 3080004, "the exception's message"},
      {"the CPU limit in the token's action",
       reply_json({trace_json(1, 0, "snipcoins", "snipcoins", except_json(3080004, "deadline"))},
                  except_json(3080004, "deadline")),
       false, RunOutcome::inconclusive, "", 3080004, "the exception's message"},
      {"no except member: never taken for success",
       R"({"transaction_id":"ab","processed":{"action_traces":[]}})", false,
       RunOutcome::inconclusive, "", std::nullopt, "reply without a transaction trace"},
  };
  JsonReader reader;
  for (const Case& c : cases) {
    const RunParties parties{"snipcoins", "alice", c.sale ? "swap.alcor" : "bob",
                             c.sale ? "swap.alcor" : ""};
    const RunResult result = dry_run_result(reader, c.reply, parties);
    EXPECT_EQ(result.outcome, c.outcome) << c.name;
    EXPECT_EQ(result.by, c.by) << c.name;
    EXPECT_EQ(result.code, c.code) << c.name;
    EXPECT_EQ(result.message, c.message) << c.name;
  }
}

}  // namespace
}  // namespace tarnwick

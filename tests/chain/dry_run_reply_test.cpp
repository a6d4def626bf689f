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

// The local clock of the table, and a block time within a minute of it.
constexpr std::int64_t now = 1'796'698'800;  // 2026-12-08T03:00:00
const std::string block_time = "2026-12-08T03:00:00.500";

// A transfer's data as the node prints it, read with the contract's ABI.
std::string data_json(const std::string& from, const std::string& to, const std::string& quantity) {
  return R"({"from":")" + from + R"(","to":")" + to + R"(","quantity":")" + quantity +
         R"(","memo":""})";
}
const std::string sold = data_json("alice", "swap.alcor", "1.0000 SNIP");
const std::string sent = data_json("alice", "bob", "1.0000 SNIP");
const std::string paid = data_json("swap.alcor", "alice", "2.5000 XPR");

// An action trace as a node prints it, the members the reader skips included; a receipt unless
// `except` is set.
std::string trace_json(int ordinal, int creator, const std::string& receiver,
                       const std::string& account, const std::string& data = sent,
                       const std::string& except = "null") {
  const std::string receipt = except == "null" ? R"({"receiver":")" + receiver +
                                                     R"(","global_sequence":9,"auth_sequence":[]})"
                                               : "null";
  return R"({"action_ordinal":)" + std::to_string(ordinal) + R"(,"creator_action_ordinal":)" +
         std::to_string(creator) + R"(,"closest_unnotified_ancestor_action_ordinal":0,"receipt":)" +
         receipt + R"(,"receiver":")" + receiver + R"(","act":{"account":")" + account +
         R"(","name":"transfer","authorization":[{"actor":"alice","permission":"active"}],)"
         R"("data":)" +
         data +
         R"(,"hex_data":""},"context_free":false,"elapsed":12,"console":"",)"
         R"("trx_id":"ab","block_num":1,"block_time":"2026-12-08T03:00:00.000",)"
         R"("producer_block_id":null,"account_ram_deltas":[],"except":)" +
         except + R"(,"error_code":null,"return_value_hex_data":""})";
}

std::string reply_json(const std::vector<std::string>& traces, const std::string& except,
                       const std::string& at = block_time) {
  std::string joined;
  for (const std::string& trace : traces) joined += (joined.empty() ? "" : ",") + trace;
  return R"({"transaction_id":"ab","processed":{"id":"ab","block_num":1,"block_time":")" + at +
         R"(","receipt":{"status":")" + (except == "null" ? "executed" : "hard_fail") +
         R"(","cpu_usage_us":100,"net_usage_words":12},"elapsed":40,"net_usage":0,)"
         R"("scheduled":false,"action_traces":[)" +
         joined + R"(],"account_ram_delta":null,"except":)" + except + R"(,"error_code":null}})";
}

TEST(DryRunReply, EachRefusalIsPutOnWhoseCodeThrew) {
  const std::string assert_3050003 = except_json(3050003, "eosio_assert_message_exception", "no");
  const std::string transfer = trace_json(1, 0, "snipcoins", "snipcoins");
  const std::string to_alice = trace_json(2, 1, "alice", "snipcoins");
  const std::string cut(250, 'x');
  // A sale as the node prints it: the token's transfer to the venue, its notifications, and the
  // venue's payment with its own.
  const std::string sale = trace_json(1, 0, "snipcoins", "snipcoins", sold);
  const std::string sale_to_alice = trace_json(2, 1, "alice", "snipcoins", sold);
  const std::string sale_to_venue = trace_json(3, 1, "swap.alcor", "snipcoins", sold);
  const std::string payment = trace_json(4, 3, "eosio.token", "eosio.token", paid);
  const std::string paid_to_alice = trace_json(5, 4, "alice", "eosio.token", paid);
  struct Case {
    std::string name;
    std::string reply;
    bool sale;  // to the venue swap.alcor, else a plain transfer to bob
    RunOutcome outcome;
    std::string by;
    std::optional<std::int64_t> code;
    std::string message;  // or, for a sale that went through, its proceeds
  };
  const std::string no_pay = "the trace does not show the venue paying the holder";
  const std::string no_transfer = "the trace does not show the token's transfer";
  const std::vector<Case> cases = {
      {"went through",
       reply_json({transfer, to_alice, trace_json(3, 1, "bob", "snipcoins")}, "null"), false,
       RunOutcome::went_through, "", std::nullopt, ""},
      {"went through, the token notifying no one", reply_json({transfer}, "null"), false,
       RunOutcome::went_through, "", std::nullopt, ""},
      {"ordinals as texts",
       reply_json({R"({"action_ordinal":"1","creator_action_ordinal":"0","receipt":{},)"
                   R"("receiver":"snipcoins","act":{"account":"snipcoins","name":"transfer",)"
                   R"("data":)" +
                   sent + R"(},"except":null})"},
                  "null"),
       false, RunOutcome::went_through, "", std::nullopt, ""},
      {"a sale paid out",
       reply_json({sale, sale_to_alice, sale_to_venue, payment, paid_to_alice}, "null"), true,
       RunOutcome::went_through, "", std::nullopt, "2.5000 XPR@eosio.token"},
      {"a sale the token taxes in an inline transfer to the venue",
       reply_json({sale,
                   trace_json(2, 1, "snipcoins", "snipcoins",
                              data_json("alice", "swap.alcor", "0.9000 SNIP")),
                   trace_json(3, 2, "swap.alcor", "snipcoins",
                              data_json("alice", "swap.alcor", "0.9000 SNIP")),
                   payment},
                  "null"),
       true, RunOutcome::went_through, "", std::nullopt, "2.5000 XPR@eosio.token"},
      {"processed without traces", R"({"processed":{"except":null}})", false,
       RunOutcome::inconclusive, "", std::nullopt, "the trace lists no actions"},
      {"no traces", reply_json({}, "null"), false, RunOutcome::inconclusive, "", std::nullopt,
       no_transfer},
      {"traces not a list",
       R"({"processed":{"except":null,"receipt":{"status":"executed"},"action_traces":"x"}})",
       false, RunOutcome::inconclusive, "", std::nullopt, "the trace lists no actions"},
      {"entries that are not actions", reply_json({"1", R"("x")", "null"}, "null"), false,
       RunOutcome::inconclusive, "", std::nullopt,
       "the trace holds an entry that is not an action"},
      {"another quantity",
       reply_json(
           {trace_json(1, 0, "snipcoins", "snipcoins", data_json("alice", "bob", "0.0001 SNIP"))},
           "null"),
       false, RunOutcome::inconclusive, "", std::nullopt, no_transfer},
      {"data as hex only",
       reply_json({trace_json(1, 0, "snipcoins", "snipcoins", R"("0000000000ea3055")")}, "null"),
       false, RunOutcome::inconclusive, "", std::nullopt,
       "the node could not read an action's data"},
      {"the token swallows a transfer to the venue", reply_json({sale, sale_to_alice}, "null"),
       true, RunOutcome::inconclusive, "", std::nullopt,
       "the trace does not show the venue receiving the token"},
      {"the venue pays nothing", reply_json({sale, sale_to_alice, sale_to_venue}, "null"), true,
       RunOutcome::inconclusive, "", std::nullopt, no_pay},
      {"the token's own contract emits the payment",
       reply_json({sale, sale_to_venue, trace_json(4, 1, "eosio.token", "eosio.token", paid)},
                  "null"),
       true, RunOutcome::inconclusive, "", std::nullopt, no_pay},
      {"a refund of the token is no payment",
       reply_json({sale, sale_to_venue,
                   trace_json(4, 3, "snipcoins", "snipcoins",
                              data_json("swap.alcor", "alice", "1.0000 SNIP"))},
                  "null"),
       true, RunOutcome::inconclusive, "", std::nullopt, no_pay},
      {"the node is behind the chain",
       reply_json({sale, sale_to_venue, payment}, "null", "2026-12-08T02:58:59.000"), true,
       RunOutcome::inconclusive, "", std::nullopt, "the node is behind the chain"},
      {"a contract the token notifies asserts, its long text cut to 200 characters",
       reply_json({transfer, to_alice,
                   trace_json(3, 1, "guard", "snipcoins", sent,
                              except_json(3050003, "a", "\u00e9" + cut))},
                  "{}"),
       false, RunOutcome::refused_by_token, "guard", 3050003, "\u00e9" + cut.substr(0, 199)},
      {"an action the token sends asserts",
       reply_json({transfer, trace_json(2, 1, "guard", "guard", sent, assert_3050003)},
                  assert_3050003),
       false, RunOutcome::refused_by_token, "guard", 3050003, "no"},
      {"the token asks another account's authority",
       reply_json({trace_json(1, 0, "snipcoins", "snipcoins", sent,
                              except_json(3090004, "missing_auth_exception"))},
                  except_json(3090004, "missing_auth_exception")),
       false, RunOutcome::refused_by_token, "snipcoins", 3090004, "the exception's message"},
      {"the transaction's own authority", reply_json({}, except_json(3090003, "unsatisfied")),
       false, RunOutcome::inconclusive, "", 3090003, "the exception's message"},
      {"the receiving holder's contract asserts",
       reply_json({transfer, to_alice, trace_json(3, 1, "bob", "snipcoins", sent, assert_3050003)},
                  assert_3050003),
       false, RunOutcome::inconclusive, "bob", 3050003, "no"},
      {"the venue asserts on its notification",
       reply_json(
           {sale, sale_to_alice, trace_json(3, 1, "swap.alcor", "snipcoins", sold, assert_3050003)},
           assert_3050003),
       true, RunOutcome::refused_by_venue, "swap.alcor", 3050003, "no"},
      {"the venue's own transfer back fails",
       reply_json({sale, sale_to_venue,
                   trace_json(4, 3, "eosio.token", "eosio.token", paid, assert_3050003)},
                  assert_3050003),
       true, RunOutcome::refused_by_venue, "eosio.token", 3050003, "no"},
      {"the CPU limit, in the transaction only",
       reply_json({transfer}, except_json(3080004, "tx_cpu_usage_exceeded")), false,
       RunOutcome::inconclusive, "", 3080004, "the exception's message"},
      {"the leeway deadline in the token's action",
       reply_json(
           {trace_json(1, 0, "snipcoins", "snipcoins", sent, except_json(3081001, "leeway"))},
           except_json(3081001, "leeway")),
       false, RunOutcome::inconclusive, "", 3081001, "the exception's message"},
      {"no except member: never taken for success",
       R"({"transaction_id":"ab","processed":{"action_traces":[]}})", false,
       RunOutcome::inconclusive, "", std::nullopt, "reply without a transaction trace"},
  };
  JsonReader reader;
  for (const Case& c : cases) {
    const RunParties parties{"snipcoins",
                             "alice",
                             c.sale ? "swap.alcor" : "bob",
                             "1.0000 SNIP",
                             c.sale ? "swap.alcor" : "",
                             "eosio.token",
                             "XPR"};
    const RunResult result = dry_run_result(reader, c.reply, parties, now);
    EXPECT_EQ(result.outcome, c.outcome) << c.name;
    EXPECT_EQ(result.by, c.by) << c.name;
    EXPECT_EQ(result.code, c.code) << c.name;
    EXPECT_EQ(result.proceeds ? result.proceeds->quantity + "@" + result.proceeds->contract
                              : result.message,
              c.message)
        << c.name;
  }
}

// What a sale moved of the token, each transfer once: the notifications repeat it.
TEST(DryRunReply, ASalesCostCountsEachTransferOnce) {
  const std::string sale = trace_json(1, 0, "snipcoins", "snipcoins", sold);
  const std::string to_venue = trace_json(3, 1, "swap.alcor", "snipcoins", sold);
  const std::string payment = trace_json(9, 3, "eosio.token", "eosio.token", paid);
  const std::string tax = data_json("alice", "taxwallet", "0.1000 SNIP");
  const struct {
    std::string name;
    std::vector<std::string> traces;
    std::string cost;
  } cases[] = {
      {"a plain token",
       {sale, trace_json(2, 1, "alice", "snipcoins", sold), to_venue, payment},
       "1.0000 SNIP"},
      {"10 % sent on to a third account, notified twice",
       {sale, to_venue, trace_json(4, 1, "snipcoins", "snipcoins", tax),
        trace_json(5, 4, "taxwallet", "snipcoins", tax),
        trace_json(6, 4, "alice", "snipcoins", tax), payment},
       "1.0000 SNIP; taxwallet 0.1000 SNIP"},
      {"the contract pays its maker from its own",
       {sale, to_venue,
        trace_json(4, 1, "snipcoins", "snipcoins", data_json("snipcoins", "maker", "0.0500 SNIP")),
        payment},
       "1.0000 SNIP; maker 0.0500 SNIP"},
  };
  JsonReader reader;
  const RunParties parties{"snipcoins",  "alice",       "swap.alcor", "1.0000 SNIP",
                           "swap.alcor", "eosio.token", "XPR"};
  for (const auto& c : cases) {
    const RunResult result = dry_run_result(reader, reply_json(c.traces, "null"), parties, now);
    ASSERT_TRUE(result.cost) << c.name << " " << result.message;
    const auto text = [](const Asset& asset) {
      std::string out;
      append_asset(out, asset.units, asset.precision, asset.symbol);
      return out;
    };
    std::string cost = text(result.cost->reached_venue);
    for (const TakenPart& part : result.cost->taken)
      cost += "; " + part.to + " " + text(part.quantity);
    EXPECT_EQ(cost, c.cost) << c.name;
    EXPECT_EQ(text(result.cost->paid), "2.5000 XPR") << c.name;
  }
}

}  // namespace
}  // namespace tarnwick

// The compute_transaction reply: how a dry run of a token transfer ended, and whose doing a
// refusal was. The node runs the unsigned transaction and discards it; a failure while it runs
// comes back with status 200 and the whole trace. A run went through only when the trace shows it
// did: nothing is read from the absence of an exception. Pure; never throws.
#pragma once

#include <cstdint>
#include <string_view>

#include "assess/sale_check.h"
#include "chain/transport.h"

namespace tarnwick {

class JsonReader;

// Who takes part in a run: the token's contract, whose `transfer` is run, the holder it is from,
// the account it is to and the quantity (its asset text); for a sale the venue (the same as `to`)
// and the pool's other side, in which the venue pays (its contract and symbol code). Empty for a
// plain transfer.
struct RunParties {
  std::string_view token;
  std::string_view from;
  std::string_view to;
  std::string_view quantity;
  std::string_view venue;
  std::string_view paid_contract;
  std::string_view paid_symbol;
};

// How far a trace's block time may lie from the local clock, in seconds, before the node counts
// as behind the chain.
inline constexpr std::int64_t max_block_time_skew = 60;

// A reply {"transaction_id":..,"processed":{..}} read at `now` (Unix seconds). A trace whose
// `processed.block_time` lies more than 60 s from `now` is inconclusive: the node is behind.
// When an action trace's `except` is set (else the transaction's), it decides, in this order:
//   1. a limit of the node (3080000-3081999) or a fault of the transaction (3040000-3040999):
//      inconclusive; an authorization failure (3090000-3090999) only when no action trace
//      failed, else it is that action's refusal like any other;
//   2. the token's action received by an account that is neither party: refused by the token;
//   3. received by the holder it is from, or by the holder a plain transfer is to: inconclusive
//      (a holder's own contract refused);
//   4. received by the venue, or sent by the venue's action: refused by the venue;
//   5. sent by the token's action: refused by the token;
//   6. anything else: inconclusive.
// The message is the `s` of the exception's stack data, else its `message`, cut to 200
// characters. With no exception the run went through only when the transaction was executed
// (`receipt.status` "executed") and `action_traces`, a list of objects with their data read,
// shows with receipts: the token's transfer of the quantity from the holder to `to`, received by
// the token's contract; for a sale also the token received by the venue from the holder (at most
// the quantity, the run's action or one it sent), and the proceeds: a transfer of the paid side
// from the venue to the holder, received by its contract and sent by an action the venue received.
// Anything less is inconclusive, saying what the trace does not show.
RunResult dry_run_result(JsonReader& reader, std::string_view reply, const RunParties& parties,
                         std::int64_t now);

// A dry run that the chain's error answer ended (a transaction of a form or authority no node
// would run): it judges the transaction, not the token, so it is inconclusive, with the error's
// code and name.
RunResult error_answer_result(const ChainError& error);

}  // namespace tarnwick

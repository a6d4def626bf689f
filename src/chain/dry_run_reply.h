// The compute_transaction reply: how a dry run of a token transfer ended, and whose doing a
// refusal was. The node runs the unsigned transaction and discards it; a failure while it runs
// comes back with status 200 and the whole trace. Pure; never throws.
#pragma once

#include <string_view>

#include "assess/sale_check.h"
#include "chain/chain_client.h"

namespace tarnwick {

class JsonReader;

// Who takes part in a run: the token's contract, whose `transfer` is run, the holder it is from,
// the account it is to, and for a sale the venue (the same as `to`); empty for a plain transfer.
struct RunParties {
  std::string_view token;
  std::string_view from;
  std::string_view to;
  std::string_view venue;
};

// A reply {"transaction_id":..,"processed":{..}}: went through when `processed.except` is null.
// Otherwise the action trace whose `except` is set (none: the transaction's own) decides, in
// this order:
//   1. a limit of the node or a fault of the transaction (CPU, NET, RAM 3080001-3080008;
//      expiry, reference block, authorization 3040000-3040999 and 3090000-3090999): inconclusive;
//   2. the token's action received by an account that is neither party: refused by the token;
//   3. received by the holder it is from, or by the holder a plain transfer is to: inconclusive
//      (a holder's own contract refused);
//   4. received by the venue, or sent by the venue's action: refused by the venue;
//   5. sent by the token's action: refused by the token;
//   6. anything else: inconclusive.
// The message is the `s` of the exception's stack data, else its `message`, cut to 200
// characters. A reply of another shape is inconclusive.
RunResult dry_run_result(JsonReader& reader, std::string_view reply, const RunParties& parties);

// A dry run that the chain's error answer ended (an expired or unpackable transaction): it judges
// the transaction, not the token, so it is inconclusive, with the error's code and name.
RunResult error_answer_result(const ChainError& error);

}  // namespace tarnwick

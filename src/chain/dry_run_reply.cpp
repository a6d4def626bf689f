#include "chain/dry_run_reply.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chain/field_forms.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

struct Except {
  std::optional<std::int64_t> code;
  std::string name;
  std::string message;
  std::optional<std::string> assert_text;  // the first `s` of the stack's data
};

struct ActionTrace {
  std::optional<std::uint64_t> ordinal;
  std::uint64_t creator = 0;  // the ordinal of the action that sent it; 0 for the transaction's
  std::string receiver;
  std::string account;
  std::string name;
  bool data_read = false;  // `act.data` is an object: the node read it with the contract's ABI
  std::string from;
  std::string to;
  std::string quantity;
  bool receipt = false;  // the action has a receipt: it ran to its end
  std::optional<Except> except;
};

// The members of `processed` that decide a run.
struct Processed {
  bool seen = false;
  bool except_member = false;
  std::optional<Except> except;
  std::string status;  // `receipt.status`
  std::optional<std::int64_t> block_time;
  bool traces_listed = false;      // `action_traces` is an array
  bool traces_are_objects = true;  // and each of its entries an object
  std::vector<ActionTrace> traces;
};

// An `except` member: null, or the exception; a value of another kind counts as an exception
// with nothing known of it, so that it is never taken for success.
std::optional<Except> except_of(JsonValue& value) {
  if (is_null(value)) return std::nullopt;
  Except except;
  for_each_member(value, [&](std::string_view key, JsonValue& member) {
    if (is_key(key, "code")) {
      const std::optional<std::uint64_t> code = whole_number(member);
      except.code = code && *code <= INT64_MAX
                        ? std::optional<std::int64_t>(static_cast<std::int64_t>(*code))
                        : std::nullopt;
    }
    if (is_key(key, "name")) except.name = std::string(text_or_empty(member));
    if (is_key(key, "message")) except.message = std::string(text_or_empty(member));
    if (is_key(key, "stack")) {
      for_each_element(member, [&](JsonValue& entry) {
        for_each_member(entry, [&](std::string_view field, JsonValue& data) {
          if (!is_key(field, "data")) return;
          for_each_member(data, [&](std::string_view name, JsonValue& s) {
            const std::optional<std::string_view> said = text(s);
            if (is_key(name, "s") && said && !except.assert_text) except.assert_text = *said;
          });
        });
        return !except.assert_text;
      });
    }
  });
  return except;
}

void read_act(JsonValue& act, ActionTrace& trace) {
  for_each_member(act, [&](std::string_view key, JsonValue& member) {
    if (is_key(key, "account")) trace.account = std::string(text_or_empty(member));
    if (is_key(key, "name")) trace.name = std::string(text_or_empty(member));
    if (!is_key(key, "data")) return;
    trace.data_read = is_object(member);
    for_each_member(member, [&](std::string_view field, JsonValue& value) {
      if (is_key(field, "from")) trace.from = std::string(text_or_empty(value));
      if (is_key(field, "to")) trace.to = std::string(text_or_empty(value));
      if (is_key(field, "quantity")) trace.quantity = std::string(text_or_empty(value));
    });
  });
}

ActionTrace trace_of(JsonValue& value) {
  ActionTrace trace;
  for_each_member(value, [&](std::string_view key, JsonValue& member) {
    if (is_key(key, "action_ordinal")) trace.ordinal = unsigned64(member);
    if (is_key(key, "creator_action_ordinal")) trace.creator = unsigned64(member).value_or(0);
    if (is_key(key, "receiver")) trace.receiver = std::string(text_or_empty(member));
    if (is_key(key, "act")) read_act(member, trace);
    if (is_key(key, "receipt")) trace.receipt = is_object(member);
    if (is_key(key, "except")) trace.except = except_of(member);
  });
  return trace;
}

void read_processed(JsonValue& value, Processed& processed) {
  processed.seen = true;
  for_each_member(value, [&](std::string_view name, JsonValue& member) {
    if (is_key(name, "action_traces")) {
      processed.traces.clear();
      processed.traces_are_objects = true;
      processed.traces_listed = for_each_element(member, [&](JsonValue& trace) {
        processed.traces_are_objects = processed.traces_are_objects && is_object(trace);
        processed.traces.push_back(trace_of(trace));
        return true;
      });
    }
    if (is_key(name, "except")) {
      processed.except_member = true;
      processed.except = except_of(member);
    }
    if (is_key(name, "receipt")) processed.status = std::string(text_member(member, "status"));
    if (is_key(name, "block_time")) processed.block_time = seconds(member);
  });
}

// Limits of the node (CPU, NET, RAM, the leeway deadline) and faults of the transaction itself
// (expired, an unknown reference block): they end a run whatever the token would have done.
bool node_or_transaction_code(std::optional<std::int64_t> code) {
  if (!code) return false;
  return (*code >= 3080000 && *code <= 3081999) || (*code >= 3040000 && *code <= 3040999);
}

// `text` cut to its first `count` characters (UTF-8).
std::string first_characters(std::string_view text, std::size_t count) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool starts_character = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (starts_character && characters++ == count) return std::string(text.substr(0, i));
  }
  return std::string(text);
}

// Whose doing the failure of `failed` (sent by `sender`, none for the transaction's own action)
// is, by the order of the rules above, after the node's own codes.
RunOutcome refusal_of(const ActionTrace& failed, const ActionTrace* sender,
                      const RunParties& parties) {
  const std::string_view receiver = failed.receiver;
  if (failed.account == parties.token && receiver != parties.from && receiver != parties.to) {
    return RunOutcome::refused_by_token;
  }
  if (receiver == parties.from || (parties.venue.empty() && receiver == parties.to)) {
    return RunOutcome::inconclusive;  // a holder's own contract refused
  }
  const bool sent_by_venue = sender != nullptr && sender->receiver == parties.venue;
  if (!parties.venue.empty() && (receiver == parties.venue || sent_by_venue)) {
    return RunOutcome::refused_by_venue;
  }
  if (sender != nullptr && sender->receiver == parties.token) return RunOutcome::refused_by_token;
  return RunOutcome::inconclusive;
}

RunResult inconclusive(std::string_view message) {
  RunResult result;
  result.message = std::string(message);
  return result;
}

// The first trace, in trace order, that `matches`, with a receipt; none when no trace does.
template <class Matches>
const ActionTrace* witness(const std::vector<ActionTrace>& traces, Matches&& matches) {
  for (const ActionTrace& trace : traces) {
    if (trace.receipt && trace.name == "transfer" && matches(trace)) return &trace;
  }
  return nullptr;
}

// The trace of the action numbered `ordinal`; none when there is no such trace.
const ActionTrace* action_numbered(const std::vector<ActionTrace>& traces, std::uint64_t ordinal) {
  for (const ActionTrace& trace : traces) {
    if (trace.ordinal == ordinal) return &trace;
  }
  return nullptr;
}

// Whether `trace` is the action numbered `ancestor` or was sent by it, directly or through the
// actions it sent.
bool sent_by(const std::vector<ActionTrace>& traces, const ActionTrace& trace,
             std::uint64_t ancestor) {
  const ActionTrace* at = &trace;
  for (std::size_t step = 0; at != nullptr && at->ordinal && step <= traces.size(); ++step) {
    if (*at->ordinal == ancestor) return true;
    if (at->creator == 0) return false;
    at = action_numbered(traces, at->creator);
  }
  return false;
}

// What the sale of `asked` by the run's action (numbered `root`) moved of the token: each
// transfer counted once, at its entry in the token's own contract, within what the action sent.
SaleCost cost_of(const std::vector<ActionTrace>& traces, const RunParties& parties,
                 const Asset& asked, std::uint64_t root) {
  SaleCost cost;
  cost.sent = asked;
  cost.reached_venue = Asset{0, asked.precision, asked.symbol};
  for (const ActionTrace& t : traces) {
    const std::optional<Asset> moved = parse_asset(t.quantity);
    const bool counted = t.receipt && t.name == "transfer" && t.receiver == parties.token &&
                         t.account == parties.token && moved && moved->symbol == asked.symbol &&
                         moved->precision == asked.precision && sent_by(traces, t, root);
    if (!counted) continue;
    if (t.to == parties.venue) {
      cost.reached_venue.units = std::min(cost.reached_venue.units + moved->units, max_asset_units);
      continue;
    }
    if ((t.from != parties.from && t.from != parties.token) || t.to == parties.from) continue;
    const auto part = std::find_if(cost.taken.begin(), cost.taken.end(),
                                   [&](const TakenPart& taken) { return taken.to == t.to; });
    if (part == cost.taken.end()) {
      cost.taken.push_back(TakenPart{t.to, *moved});
    } else {
      part->quantity.units = std::min(part->quantity.units + moved->units, max_asset_units);
    }
  }
  return cost;
}

// A run that raised no exception: went through when the trace shows the transfer and, for a sale,
// the venue taking the token and paying the holder; else what it does not show.
RunResult witnessed(const Processed& processed, const RunParties& parties) {
  if (!processed.block_time) return inconclusive("the trace does not show its block time");
  if (processed.status != "executed") return inconclusive("the transaction was not executed");
  const std::vector<ActionTrace>& traces = processed.traces;
  if (std::any_of(traces.begin(), traces.end(),
                  [](const ActionTrace& t) { return !t.data_read; })) {
    return inconclusive("the node could not read an action's data");
  }
  const ActionTrace* sent = witness(traces, [&](const ActionTrace& t) {
    return t.receiver == parties.token && t.account == parties.token && t.from == parties.from &&
           t.to == parties.to && t.quantity == parties.quantity && t.ordinal;
  });
  if (sent == nullptr) return inconclusive("the trace does not show the token's transfer");
  if (parties.venue.empty()) return RunResult{RunOutcome::went_through, {}, {}, {}, {}, {}, {}};

  const std::optional<Asset> asked = parse_asset(parties.quantity);
  const ActionTrace* taken = witness(traces, [&](const ActionTrace& t) {
    const std::optional<Asset> moved = parse_asset(t.quantity);
    return asked && moved && t.receiver == parties.venue && t.account == parties.token &&
           t.from == parties.from && t.to == parties.venue && moved->symbol == asked->symbol &&
           moved->precision == asked->precision && moved->units <= asked->units &&
           sent_by(traces, t, *sent->ordinal);
  });
  if (taken == nullptr) {
    return inconclusive("the trace does not show the venue receiving the token");
  }

  std::optional<Asset> paid;
  for (const ActionTrace& t : traces) {
    const std::optional<Asset> amount = parse_asset(t.quantity);
    const ActionTrace* creator = t.creator == 0 ? nullptr : action_numbered(traces, t.creator);
    const bool proceeds =
        t.receipt && t.name == "transfer" && amount && t.account == parties.paid_contract &&
        t.receiver == t.account && t.from == parties.venue && t.to == parties.from &&
        amount->symbol == parties.paid_symbol &&
        !(t.account == parties.token && asked && amount->symbol == asked->symbol) &&
        creator != nullptr && creator->receiver == parties.venue;
    if (!proceeds) continue;
    if (!paid) {
      paid = amount;
    } else if (paid->precision == amount->precision &&
               amount->units <= max_asset_units - paid->units) {
      paid->units += amount->units;
    }
  }
  if (!paid) return inconclusive("the trace does not show the venue paying the holder");
  RunResult result{RunOutcome::went_through, {}, {}, {}, {}, {}, {}};
  Proceeds proceeds{{}, std::string(parties.paid_contract)};
  append_asset(proceeds.quantity, paid->units, paid->precision, paid->symbol);
  result.proceeds = std::move(proceeds);
  result.cost = cost_of(traces, parties, *asked, *sent->ordinal);
  result.cost->paid = *paid;
  return result;
}

}  // namespace

RunResult dry_run_result(JsonReader& reader, std::string_view reply, const RunParties& parties,
                         std::int64_t now) {
  Processed processed;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "processed")) read_processed(value, processed);
  });
  if (!json) return inconclusive(reply_not_json);
  if (!processed.seen || !processed.except_member) {
    return inconclusive("reply without a transaction trace");
  }
  if (!processed.traces_listed) return inconclusive("the trace lists no actions");
  if (!processed.traces_are_objects) {
    return inconclusive("the trace holds an entry that is not an action");
  }
  const std::optional<std::int64_t> at = processed.block_time;
  if (at && (*at > now + max_block_time_skew || *at < now - max_block_time_skew)) {
    return inconclusive("the node is behind the chain");
  }

  const std::vector<ActionTrace>& traces = processed.traces;
  const ActionTrace* failed = nullptr;
  for (const ActionTrace& trace : traces) {
    if (trace.except) {
      failed = &trace;
      break;
    }
  }
  if (!processed.except && failed == nullptr) return witnessed(processed, parties);

  const Except& except = failed != nullptr ? *failed->except : *processed.except;
  RunResult result;
  result.code = except.code;
  result.name = except.name;
  result.message = first_characters(except.assert_text ? *except.assert_text : except.message,
                                    max_message_characters);
  // An authorization failure outside every action is the transaction's own (it names an
  // authority that fails); inside one, the action's receiver refused, as for any other code.
  if (node_or_transaction_code(except.code) || failed == nullptr) return result;
  const ActionTrace* sender =
      failed->creator == 0 ? nullptr : action_numbered(traces, failed->creator);
  result.by = failed->receiver;
  result.outcome = refusal_of(*failed, sender, parties);
  return result;
}

RunResult error_answer_result(const ChainError& error) {
  RunResult result;
  result.code = error.code;
  result.name = first_characters(error.name, max_message_characters);
  result.message = "the node would not run the transaction";
  return result;
}

}  // namespace tarnwick

#include "chain/dry_run_reply.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
  std::uint64_t ordinal = 0;
  std::uint64_t creator = 0;  // the ordinal of the action that sent it; 0 for the transaction's
  std::string receiver;
  std::string account;
  std::optional<Except> except;
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

ActionTrace trace_of(JsonValue& value) {
  ActionTrace trace;
  for_each_member(value, [&](std::string_view key, JsonValue& member) {
    if (is_key(key, "action_ordinal")) trace.ordinal = whole_number(member).value_or(0);
    if (is_key(key, "creator_action_ordinal")) trace.creator = whole_number(member).value_or(0);
    if (is_key(key, "receiver")) trace.receiver = std::string(text_or_empty(member));
    if (is_key(key, "act")) trace.account = std::string(text_member(member, "account"));
    if (is_key(key, "except")) trace.except = except_of(member);
  });
  return trace;
}

// A code by which the node, not a contract, ended the run: a resource limit, or a fault of the
// transaction itself (expired, an unknown reference block, authorization).
bool node_or_transaction_code(std::optional<std::int64_t> code) {
  if (!code) return false;
  return (*code >= 3080001 && *code <= 3080008) || (*code >= 3040000 && *code <= 3040999) ||
         (*code >= 3090000 && *code <= 3090999);
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

}  // namespace

RunResult dry_run_result(JsonReader& reader, std::string_view reply, const RunParties& parties) {
  bool processed = false;
  bool except_member = false;
  std::optional<Except> transaction_except;
  std::vector<ActionTrace> traces;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (!is_key(key, "processed")) return;
    processed = true;
    for_each_member(value, [&](std::string_view name, JsonValue& member) {
      if (is_key(name, "action_traces")) {
        traces.clear();
        for_each_element(member, [&](JsonValue& trace) {
          traces.push_back(trace_of(trace));
          return true;
        });
      }
      if (is_key(name, "except")) {
        except_member = true;
        transaction_except = except_of(member);
      }
    });
  });
  if (!json) return inconclusive(reply_not_json);
  if (!processed || !except_member) return inconclusive("reply without a transaction trace");

  const ActionTrace* failed = nullptr;
  for (const ActionTrace& trace : traces) {
    if (trace.except) {
      failed = &trace;
      break;
    }
  }
  if (!transaction_except && failed == nullptr) {
    return RunResult{RunOutcome::went_through, {}, {}, {}, {}};
  }

  const Except& except = failed != nullptr ? *failed->except : *transaction_except;
  RunResult result;
  result.code = except.code;
  result.name = except.name;
  result.message = first_characters(except.assert_text ? *except.assert_text : except.message,
                                    max_message_characters);
  if (node_or_transaction_code(except.code) || failed == nullptr) return result;
  const ActionTrace* sender = nullptr;
  for (const ActionTrace& trace : traces) {
    if (failed->creator != 0 && trace.ordinal == failed->creator) sender = &trace;
  }
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

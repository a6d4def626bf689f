#include "chain/history_reply.h"

#include <map>
#include <string>
#include <vector>

#include "assess/evidence_measures.h"
#include "common/calendar.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

// An action's data names `symbol`: its "quantity" is an amount of it ("1.0000 SYM"), or its
// "symbol" is it, alone ("SYM") or with a precision ("4,SYM"). The last member of each name counts.
bool names_symbol(JsonValue& data, std::string_view symbol) {
  std::string_view quantity;
  std::string_view named;
  for_each_member(data, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "quantity")) quantity = text_or_empty(value);
    if (is_key(key, "symbol")) named = text_or_empty(value);
  });
  const std::size_t space = quantity.find(' ');
  if (space != std::string_view::npos && quantity.substr(space + 1) == symbol) return true;
  const std::size_t comma = named.find(',');
  return (comma == std::string_view::npos ? named : named.substr(comma + 1)) == symbol;
}

}  // namespace

ActivityFact read_activity(JsonReader& reader, std::string_view history_reply,
                           std::string_view token, std::optional<std::int64_t> head_block_time,
                           std::optional<std::string_view> symbol) {
  if (!head_block_time) {
    return unavailable<ActivityFact>(ReasonCode::input_unread,
                                     "no head_block_time in the account reply");
  }
  std::vector<ActionTime> times;
  std::map<std::string, std::uint32_t, std::less<>> by_name;
  std::optional<std::int64_t> newest;
  std::uint32_t symbol_actions = 0;
  ActivityFact fact;
  ElementsRead actions;
  const bool json = reader.read_members(history_reply, [&](std::string_view key, JsonValue& list) {
    if (!is_key(key, "actions")) return;
    times.clear();
    by_name.clear();
    newest.reset();
    symbol_actions = 0;
    fact.newest.clear();
    // An `actions` that is no array is no answer: never an account without actions. An action
    // whose time cannot be read is counted as unread: the rate rests on the others only.
    actions = read_elements(list, history_action_limit, [&](JsonValue& action) {
      std::string_view stamp;
      std::string_view account;
      std::string_view name;
      bool of_symbol = false;
      for_each_member(action, [&](std::string_view member, JsonValue& value) {
        if (is_key(member, "@timestamp")) stamp = text_or_empty(value);
        if (!is_key(member, "act")) return;
        of_symbol = false;
        for_each_member(value, [&](std::string_view field, JsonValue& part) {
          if (is_key(field, "account")) account = text_or_empty(part);
          if (is_key(field, "name")) name = text_or_empty(part);
          if (is_key(field, "data") && symbol) of_symbol = names_symbol(part, *symbol);
        });
      });
      const bool counted = account == token && (!symbol || of_symbol);
      const ActionTime time{.seconds = created_seconds(stamp), .of_token = counted};
      times.push_back(time);
      if (counted) {
        ++symbol_actions;
        ++by_name[std::string(name)];
        if (time.seconds && (!newest || *time.seconds > *newest)) {
          newest = time.seconds;
          fact.newest = std::string(stamp);
        }
      }
      return time.seconds.has_value();
    });
  });
  if (!json) return unavailable<ActivityFact>(ReasonCode::not_json, reply_not_json);
  if (!actions.listed)
    return unavailable<ActivityFact>(ReasonCode::shape_not_recognised, "reply without actions");
  if (!actions.whole()) {
    fact.partly = true;
    fact.why = reason(ReasonCode::shape_not_recognised, "actions without a readable time");
  }
  const ActivityRate rate = activity_rate(times, *head_block_time, history_action_limit);
  fact.per_hour = rate.per_hour;
  fact.saturated = rate.saturated;
  fact.by_name.assign(by_name.begin(), by_name.end());
  if (symbol) fact.symbol_actions = symbol_actions;
  return fact;
}

}  // namespace tarnwick

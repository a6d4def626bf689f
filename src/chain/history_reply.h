// The history node's reply of an account's recent actions: the token's own actions in the hour up
// to the head block time, by name. Pure; never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "assess/evidence.h"

namespace tarnwick {

class JsonReader;

// The most actions a history read asks for; later ones in a reply are not looked at.
inline constexpr std::size_t history_action_limit = 100;

// The history reply: the token's actions (act.account is the token) in the hour up to
// `head_block_time`, their counts by name, the newest one's time. With `symbol`, only the actions
// of that one token count: those whose act.data.quantity is an amount of it ("1.0000 SYM") or
// whose act.data.symbol is it ("SYM" or "4,SYM"); `symbol_actions` tells how many of those were
// read. Partly read ("actions without a readable time") when some action has no "@timestamp"
// that reads as a time: the rate then counts only the actions whose time was read.
ActivityFact read_activity(JsonReader& reader, std::string_view history_reply,
                           std::string_view token, std::optional<std::int64_t> head_block_time,
                           std::optional<std::string_view> symbol = std::nullopt);

}  // namespace tarnwick

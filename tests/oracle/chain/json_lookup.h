// Test-only, beside parse_json: the four lookups by which chain replies were read on its tree.
// Each is total: a value of the wrong kind, or no value at all (a null pointer), reads as
// nothing, never as an error, and nothing throws.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include <nlohmann/json.hpp>

namespace tarnwick {

using Json = nlohmann::json;

// The member `name` of `value`; null when `value` is absent, not an object or lacks the member.
const Json* member(const Json* value, std::string_view name);

// The string content of `value`; none when it is absent or not a string.
std::optional<std::string_view> text(const Json* value);

// `value`'s text, with nothing read as the empty text (for comparisons).
std::string_view text_or_empty(const Json* value);

// The elements of `value` in order; none when it is absent or not an array.
std::span<const Json> elements(const Json* value);

// The value of a non-negative integer; none for anything else: negative integers, fractions
// such as 1.0, strings such as "1".
std::optional<std::uint64_t> whole_number(const Json* value);

}  // namespace tarnwick

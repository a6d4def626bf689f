// The external bot-reputation score: a raw `avg_score` (a rating 1.00 to 5.00 stored as hundreds)
// mapped onto 0 to 100.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tarnwick {

// Any JSON value that is not a number or a string (null, boolean, array, object).
struct OtherJsonValue {};

// The raw `avg_score` as it stood in the reply, with the JSON number kinds kept apart, so that
// this folder needs no JSON library: unsigned integer, signed integer, fraction, string, other.
using RawReputation =
    std::variant<std::uint64_t, std::int64_t, double, std::string, OtherJsonValue>;

// Parses a decimal floating-point text: optional sign, then digits with an optional fraction
// ("5.", ".5") and optional exponent, or inf / infinity / nan in any case. Nothing else: no
// spaces, no hexadecimal, no "nan(...)". Out-of-range magnitudes become infinity or zero.
std::optional<double> parse_decimal_double(std::string_view text);

// The score 0 to 100, or none when the value is not a number, does not parse, or is 0 or less.
// A NaN is not "0 or less" and yields 0. Never converts a NaN or out-of-range double to integer.
std::optional<std::uint8_t> scale_reputation(const RawReputation& raw);

}  // namespace tarnwick

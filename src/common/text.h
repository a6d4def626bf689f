// Text rules shared by every reader of outside bytes (requests, chain replies, the prior-rug file,
// the update manifest) and every writer of numbers: UTF-8 validation, lossy conversion and
// white-space trim; ASCII case folding; decimal numbers read with every overflow refused (the one
// decimal reader of the program, JSON's numbers included, exact and locale-free), and written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tarnwick {

// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF,
// no truncated sequence.
bool is_valid_utf8(std::string_view bytes);

// `bytes` as UTF-8 text, every ill-formed sequence replaced by U+FFFD (one replacement per maximal
// ill-formed subpart). Never fails.
std::string to_utf8_lossy(std::string_view bytes);

// True for the characters with the Unicode White_Space property.
bool is_white_space(char32_t c);

// `text` without White_Space characters at either end. `text` must be valid UTF-8; checked by an
// assertion.
std::string_view trim_white_space(std::string_view text);

// What one line of a list file in the data folder says (its LF already cut off): the line without
// a CR at its end and without everything from its first '#' (a remark), trimmed of White_Space.
// `line` must be valid UTF-8; the result then is too, as both cuts fall on one-byte characters.
std::string_view list_line_content(std::string_view line);

// ---- ASCII case: only the letters A-Z and a-z are folded; every other byte stays as it is.

char ascii_lower(char c);
std::string ascii_lower(std::string_view text);
bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);

// ---- Decimal numbers.

// A signed 64-bit decimal: an optional '+' or '-', then one or more ASCII digits, nothing else.
// None when the text has another shape or the value does not fit.
std::optional<std::int64_t> parse_int64(std::string_view text);

// An unsigned 64-bit decimal: an optional '+', then one or more ASCII digits, nothing else. None
// when the text has another shape or the value does not fit.
std::optional<std::uint64_t> parse_uint64(std::string_view text);

// An unsigned 128-bit integer, for token amounts and the wide integers of the chain's tables.
__extension__ using Uint128 = unsigned __int128;

// An unsigned decimal of up to 128 bits: one or more ASCII digits and nothing else; none when it
// does not fit.
std::optional<Uint128> parse_uint128(std::string_view text);

// A decimal floating-point text: optional sign, then digits with an optional fraction ("5.",
// ".5") and optional exponent, or inf / infinity / nan in any case. Nothing else: no spaces, no
// hexadecimal, no "nan(...)". The nearest double, exactly rounded whatever the locale;
// out-of-range magnitudes become infinity or zero.
std::optional<double> parse_decimal_double(std::string_view text);

// A number with its kind kept: an integer written without a minus sign that fits 64 bits unsigned,
// one written with a minus sign ("-0" too) that fits 64 bits signed, or any other number (fraction,
// exponent, an integer beyond 64 bits) as the nearest double.
using JsonNumber = std::variant<std::uint64_t, std::int64_t, double>;

// A number in JSON's notation, -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?, and nothing else.
// None when the text has another shape or its value is beyond the range of a double; a value too
// small for a double is 0 (with the number's sign), whatever its exponent.
std::optional<JsonNumber> parse_json_number(std::string_view text);

// Appends `value` in decimal, without padding.
void append_decimal(std::string& out, std::uint32_t value);

}  // namespace tarnwick

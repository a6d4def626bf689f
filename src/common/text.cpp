#include "common/text.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include <fast_float/fast_float.h>

namespace tarnwick {
namespace {

struct Decoded {
  char32_t scalar;
  std::size_t length;  // bytes consumed; 0 means ill-formed
  std::size_t skip;    // on an ill-formed start: the maximal subpart to replace (at least 1)
};

std::uint8_t byte_at(std::string_view s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

// Decodes the sequence that starts at `i` following the well-formed byte table of Unicode
// (Table 3-7), so that overlongs, surrogates and values above U+10FFFF are rejected.
Decoded decode_at(std::string_view s, std::size_t i) {
  const std::uint8_t b0 = byte_at(s, i);
  if (b0 < 0x80) return {b0, 1, 1};
  std::size_t need = 0;
  std::uint8_t lo = 0x80;
  std::uint8_t hi = 0xBF;
  char32_t value = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    value = b0 & 0x1FU;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    value = b0 & 0x0FU;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    value = b0 & 0x07U;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return {0, 0, 1};
  }
  for (std::size_t k = 1; k <= need; ++k) {
    if (i + k >= s.size()) return {0, 0, k};
    const std::uint8_t b = byte_at(s, i + k);
    const std::uint8_t min = (k == 1) ? lo : std::uint8_t{0x80};
    const std::uint8_t max = (k == 1) ? hi : std::uint8_t{0xBF};
    if (b < min || b > max) return {0, 0, k};
    value = (value << 6) | (b & 0x3FU);
  }
  return {value, need + 1, need + 1};
}

// Decodes the last character of `s`, if `s` ends in a well-formed one.
Decoded decode_last(std::string_view s) {
  const std::size_t start_limit = s.size() >= 4 ? s.size() - 4 : 0;
  for (std::size_t i = s.size(); i-- > start_limit;) {
    if ((byte_at(s, i) & 0xC0U) != 0x80) {
      const Decoded d = decode_at(s, i);
      return (d.length == s.size() - i) ? d : Decoded{0, 0, 1};
    }
  }
  return {0, 0, 1};
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The parts of a decimal text (sign already removed): digits [. digits] [e [sign] digits].
struct DecimalParts {
  std::string_view whole;     // the digits before the point
  std::string_view fraction;  // the digits after it
  bool point = false;
  bool exponent = false;
  bool complete = false;  // the parts are all of the text, an exponent has digits
};

DecimalParts decimal_parts(std::string_view text) {
  DecimalParts parts;
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t first = i;
    while (i < text.size() && is_digit(text[i])) ++i;
    return text.substr(first, i - first);
  };
  parts.whole = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    parts.point = true;
    parts.fraction = digits();
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    parts.exponent = true;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits().empty()) return parts;
  }
  parts.complete = i == text.size();
  return parts;
}

// At least one mantissa digit on either side of the point.
bool is_decimal(const DecimalParts& parts) {
  return parts.complete && (!parts.whole.empty() || !parts.fraction.empty());
}

// JSON's stricter form: digits before the point, no leading zero, digits after a point.
bool is_json_decimal(const DecimalParts& parts) {
  return parts.complete && !parts.whole.empty() &&
         (parts.whole.size() == 1 || parts.whole.front() != '0') &&
         (!parts.point || !parts.fraction.empty());
}

// Digits accumulated towards the sign, so that the most negative value parses too; none on any
// other byte, no digit at all, or overflow.
template <typename Integer>
std::optional<Integer> accumulate_digits(std::string_view digits, bool negative) {
  if (digits.empty()) return std::nullopt;
  Integer value = 0;
  for (const char c : digits) {
    if (!is_digit(c)) return std::nullopt;
    const auto digit = static_cast<Integer>(c - '0');
    if (__builtin_mul_overflow(value, Integer{10}, &value) ||
        (negative ? __builtin_sub_overflow(value, digit, &value)
                  : __builtin_add_overflow(value, digit, &value))) {
      return std::nullopt;
    }
  }
  return value;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    // Eight ASCII bytes at a time: chain replies are nearly all ASCII, and decoding them one by
    // one cost more than parsing them.
    std::uint64_t eight = 0;
    if (bytes.size() - i >= sizeof eight) {
      std::memcpy(&eight, bytes.data() + i, sizeof eight);
      if ((eight & 0x8080808080808080U) == 0) {
        i += sizeof eight;
        continue;
      }
    }
    const Decoded d = decode_at(bytes, i);
    if (d.length == 0) return false;
    i += d.length;
  }
  return true;
}

std::string to_utf8_lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const Decoded d = decode_at(bytes, i);
    if (d.length == 0) {
      out += "\xEF\xBF\xBD";
      i += d.skip;
    } else {
      out.append(bytes.substr(i, d.length));
      i += d.length;
    }
  }
  return out;
}

bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

std::string_view trim_white_space(std::string_view text) {
  assert(is_valid_utf8(text));
  while (!text.empty()) {
    const Decoded d = decode_at(text, 0);
    if (d.length == 0 || !is_white_space(d.scalar)) break;
    text.remove_prefix(d.length);
  }
  while (!text.empty()) {
    const Decoded d = decode_last(text);
    if (d.length == 0 || !is_white_space(d.scalar)) break;
    text.remove_suffix(d.length);
  }
  return text;
}

std::string_view list_line_content(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return trim_white_space(line.substr(0, line.find('#')));
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string ascii_lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = ascii_lower(c);
  return lower;
}

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return ascii_lower(x) == ascii_lower(y);
         });
}

std::optional<std::int64_t> parse_int64(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  return accumulate_digits<std::int64_t>(text, negative);
}

std::optional<std::uint64_t> parse_uint64(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return accumulate_digits<std::uint64_t>(text, false);
}

std::optional<double> parse_decimal_double(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const double sign = negative ? -1.0 : 1.0;
  if (equals_ignoring_ascii_case(text, "inf") || equals_ignoring_ascii_case(text, "infinity")) {
    return sign * std::numeric_limits<double>::infinity();
  }
  if (equals_ignoring_ascii_case(text, "nan")) return std::numeric_limits<double>::quiet_NaN();
  if (!is_decimal(decimal_parts(text))) return std::nullopt;
  // fast_float rounds exactly, whatever the locale, and stores the nearest double even when the
  // magnitude is out of range (infinity or zero); versions differ only in whether they then
  // report result_out_of_range.
  double value = 0.0;
  const auto result = fast_float::from_chars(text.data(), text.data() + text.size(), value);
  const bool converted = result.ec == std::errc{} || result.ec == std::errc::result_out_of_range;
  if (!converted || result.ptr != text.data() + text.size()) return std::nullopt;
  return sign * value;
}

std::optional<JsonNumber> parse_json_number(std::string_view text) {
  const std::string_view unsigned_part = text.starts_with('-') ? text.substr(1) : text;
  const DecimalParts parts = decimal_parts(unsigned_part);
  if (!is_json_decimal(parts)) return std::nullopt;
  if (!parts.point && !parts.exponent) {
    if (unsigned_part.size() != text.size()) {
      if (const auto negative = parse_int64(text)) return *negative;
    } else if (const auto whole = parse_uint64(text)) {
      return *whole;
    }
  }
  // Fractions, exponents and integers beyond 64 bits: the nearest double, of a text of any length.
  const std::optional<double> nearest = parse_decimal_double(text);
  if (!nearest || !std::isfinite(*nearest)) return std::nullopt;
  return *nearest;
}

void append_decimal(std::string& out, std::uint32_t value) {
  std::array<char, 10> digits{};  // 4294967295 has ten digits
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  out.append(digits.data(), result.ptr);
}

std::optional<Uint128> parse_uint128(std::string_view text) {
  if (text.empty()) return std::nullopt;
  Uint128 value = 0;
  // value * 10 + digit fits while value is below limit / 10, or equal to it with a digit up to
  // limit % 10 (both constants: no 128-bit division for each digit).
  constexpr Uint128 limit = ~Uint128{0};
  constexpr Uint128 tenth = limit / 10;
  constexpr auto last_digit = static_cast<unsigned>(limit % 10);
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<unsigned>(c - '0');
    if (value > tenth || (value == tenth && digit > last_digit)) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace tarnwick

#include "assess/reputation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

namespace tarnwick {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ignoring_case(std::string_view text, std::string_view word) {
  return text.size() == word.size() && std::equal(text.begin(), text.end(), word.begin(),
                                                  [](char a, char b) { return lower(a) == b; });
}

// The shape of a validated decimal number, enough to tell an overflow from an underflow.
struct DecimalShape {
  bool all_zero = true;        // no non-zero digit in the mantissa
  std::int64_t magnitude = 0;  // decimal exponent of the leading significant digit, saturated
};

// Checks `text` (sign already removed) against digits [. digits] [e [sign] digits], with at least
// one mantissa digit on either side of the point. Returns its shape, or nothing when it fails.
std::optional<DecimalShape> check_decimal(std::string_view text) {
  constexpr std::int64_t limit = 1'000'000'000;  // far beyond any double; keeps sums in range
  std::size_t i = 0;
  std::size_t mantissa_digits = 0;
  DecimalShape shape;
  std::int64_t integer_significant = 0;  // integer digits from the first non-zero one
  std::int64_t fraction_leading_zeros = 0;
  bool seen_nonzero = false;
  for (; i < text.size() && is_digit(text[i]); ++i, ++mantissa_digits) {
    if (text[i] != '0') seen_nonzero = true;
    if (seen_nonzero) integer_significant = std::min(integer_significant + 1, limit);
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i, ++mantissa_digits) {
      if (!seen_nonzero && text[i] == '0') {
        fraction_leading_zeros = std::min(fraction_leading_zeros + 1, limit);
      } else {
        seen_nonzero = true;
      }
    }
  }
  if (mantissa_digits == 0) return std::nullopt;
  std::int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t first = i;
    for (; i < text.size() && is_digit(text[i]); ++i) {
      exponent = std::min(exponent * 10 + (text[i] - '0'), limit);
    }
    if (i == first) return std::nullopt;
    if (negative) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;
  shape.all_zero = !seen_nonzero;
  shape.magnitude =
      integer_significant > 0 ? exponent + integer_significant : exponent - fraction_leading_zeros;
  return shape;
}

std::optional<double> to_double(const RawReputation& raw) {
  if (const auto* u = std::get_if<std::uint64_t>(&raw)) return static_cast<double>(*u);
  if (const auto* s = std::get_if<std::int64_t>(&raw)) return static_cast<double>(*s);
  if (const auto* d = std::get_if<double>(&raw)) return *d;
  if (const auto* text = std::get_if<std::string>(&raw)) return parse_decimal_double(*text);
  return std::nullopt;
}

}  // namespace

std::optional<double> parse_decimal_double(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const double sign = negative ? -1.0 : 1.0;
  if (equals_ignoring_case(text, "inf") || equals_ignoring_case(text, "infinity")) {
    return sign * std::numeric_limits<double>::infinity();
  }
  if (equals_ignoring_case(text, "nan")) return std::numeric_limits<double>::quiet_NaN();
  const auto shape = check_decimal(text);
  if (!shape) return std::nullopt;
  double value = 0.0;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // The grammar is already checked, so this is a magnitude beyond double: a large one becomes
    // infinity, a tiny one zero, as the nearest double would be.
    value =
        (!shape->all_zero && shape->magnitude > 0) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return sign * value;
}

std::optional<std::uint8_t> scale_reputation(const RawReputation& raw) {
  const auto a = to_double(raw);
  if (!a || *a <= 0.0) return std::nullopt;  // a NaN is not "0 or less": it goes on
  const double x = *a / 100.0;
  const double c = std::isnan(x) ? x : std::clamp(x, 1.0, 5.0);
  const double y = ((c + (-1.0)) * 0.25) * 100.0;
  const double r = std::round(y);
  if (!(r > 0.0)) return std::uint8_t{0};  // NaN and everything at or below 0
  if (r >= 100.0) return std::uint8_t{100};
  return static_cast<std::uint8_t>(r);
}

}  // namespace tarnwick

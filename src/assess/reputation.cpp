#include "assess/reputation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

#include <fast_float/fast_float.h>

namespace tarnwick {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ignoring_case(std::string_view text, std::string_view word) {
  return text.size() == word.size() && std::equal(text.begin(), text.end(), word.begin(),
                                                  [](char a, char b) { return lower(a) == b; });
}

// Checks `text` (sign already removed) against digits [. digits] [e [sign] digits], with at least
// one mantissa digit on either side of the point.
bool is_decimal(std::string_view text) {
  std::size_t i = 0;
  std::size_t mantissa_digits = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) ++mantissa_digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i) ++mantissa_digits;
  }
  if (mantissa_digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t first = i;
    while (i < text.size() && is_digit(text[i])) ++i;
    if (i == first) return false;
  }
  return i == text.size();
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
  if (!is_decimal(text)) return std::nullopt;
  // fast_float rounds exactly, whatever the locale, and stores the nearest double even when the
  // magnitude is out of range (infinity or zero); versions differ only in whether they then
  // report result_out_of_range.
  double value = 0.0;
  const auto result = fast_float::from_chars(text.data(), text.data() + text.size(), value);
  const bool converted = result.ec == std::errc{} || result.ec == std::errc::result_out_of_range;
  if (!converted || result.ptr != text.data() + text.size()) return std::nullopt;
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

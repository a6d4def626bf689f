#include "common/calendar.h"

#include <array>
#include <cassert>
#include <cstddef>
#include <limits>

#include "common/text.h"

namespace tarnwick {
namespace {

bool add(std::int64_t a, std::int64_t b, std::int64_t& out) {
  return !__builtin_add_overflow(a, b, &out);
}
bool sub(std::int64_t a, std::int64_t b, std::int64_t& out) {
  return !__builtin_sub_overflow(a, b, &out);
}
bool mul(std::int64_t a, std::int64_t b, std::int64_t& out) {
  return !__builtin_mul_overflow(a, b, &out);
}

// True when `index` is the end of `text` or the first byte of a UTF-8 character (not a
// continuation byte 10xxxxxx).
bool is_character_boundary(std::string_view text, std::size_t index) {
  if (index >= text.size()) return index == text.size();
  return (static_cast<unsigned char>(text[index]) & 0xC0U) != 0x80U;
}

// The first `count` pieces of `text` split at `separator`; pieces beyond the text are none.
template <std::size_t count>
std::array<std::optional<std::string_view>, count> first_pieces(std::string_view text,
                                                                char separator) {
  std::array<std::optional<std::string_view>, count> pieces{};
  std::size_t start = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces[i] = text.substr(start);
      break;
    }
    pieces[i] = text.substr(start, end - start);
    start = end + 1;
  }
  return pieces;
}

}  // namespace

std::optional<std::int64_t> days_from_civil(std::int64_t year, std::int64_t month,
                                            std::int64_t day) {
  if (month <= 2 && !sub(year, 1, year)) return std::nullopt;
  std::int64_t shifted = year;
  if (year < 0 && !sub(year, 399, shifted)) return std::nullopt;
  const std::int64_t era = shifted / 400;
  std::int64_t era_years = 0;
  std::int64_t yoe = 0;
  if (!mul(era, 400, era_years) || !sub(year, era_years, yoe)) return std::nullopt;
  std::int64_t mp = 0;  // March gives 0, February 11
  if (!add(month, 9, mp)) return std::nullopt;
  mp %= 12;
  std::int64_t doy = (153 * mp + 2) / 5;
  if (!add(doy, day, doy) || !sub(doy, 1, doy)) return std::nullopt;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100;  // yoe is 0..399: cannot overflow
  if (!add(doe, doy, doe)) return std::nullopt;
  std::int64_t result = 0;
  if (!mul(era, 146097, result) || !add(result, doe, result) || !sub(result, 719468, result)) {
    return std::nullopt;
  }
  return result;
}

std::optional<std::int64_t> created_seconds(std::string_view created) {
  if (created.size() < 10 || !is_character_boundary(created, 10)) return std::nullopt;
  const auto date = first_pieces<3>(created.substr(0, 10), '-');
  if (!date[0] || !date[1] || !date[2]) return std::nullopt;
  const std::optional<std::int64_t> year = parse_int64(*date[0]);
  const std::optional<std::int64_t> month = parse_int64(*date[1]);
  const std::optional<std::int64_t> day = parse_int64(*date[2]);
  if (!year || !month || !day) return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;
  const std::optional<std::int64_t> days = days_from_civil(*year, *month, *day);
  if (!days) return std::nullopt;

  std::int64_t hours = 0;
  std::int64_t minutes = 0;
  std::int64_t seconds = 0;
  if (created.size() >= 19 && is_character_boundary(created, 11) &&
      is_character_boundary(created, 19)) {
    const auto time = first_pieces<3>(created.substr(11, 8), ':');
    hours = time[0] ? parse_int64(*time[0]).value_or(0) : 0;
    minutes = time[1] ? parse_int64(*time[1]).value_or(0) : 0;
    seconds = time[2] ? parse_int64(*time[2]).value_or(0) : 0;
  }
  std::int64_t total = 0;
  std::int64_t hour_seconds = 0;
  std::int64_t minute_seconds = 0;
  if (!mul(hours, 3600, hour_seconds) || !mul(minutes, 60, minute_seconds)) return std::nullopt;
  if (!mul(*days, 86400, total) || !add(total, hour_seconds, total) ||
      !add(total, minute_seconds, total) || !add(total, seconds, total)) {
    return std::nullopt;
  }
  if (total < 0) return std::nullopt;
  return total;
}

std::optional<std::uint32_t> age_of(std::string_view created, std::uint64_t reference_time) {
  const std::optional<std::int64_t> seconds = created_seconds(created);
  if (!seconds) return std::nullopt;
  const std::uint32_t age = age_in_days(*seconds, reference_time);
  if (age == std::numeric_limits<std::uint32_t>::max()) return std::nullopt;  // saturated
  return age;
}

std::uint32_t age_in_days(std::int64_t created, std::uint64_t reference_time) {
  if (created < 0) return std::numeric_limits<std::uint32_t>::max();
  const auto created_unsigned = static_cast<std::uint64_t>(created);
  if (created_unsigned > reference_time) return 0;
  const std::uint64_t days = (reference_time - created_unsigned) / 86400;
  if (days > std::numeric_limits<std::uint32_t>::max())
    return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(days);
}

std::string utc_time_text(std::int64_t seconds) {
  assert(seconds >= 0 && seconds <= latest_time_text_seconds);
  // Days to civil date (proleptic Gregorian), eras of 400 years.
  const std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  const std::int64_t of_day = seconds - days * 86400;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  const auto two = [](std::string& out, std::int64_t value) {
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
  };
  std::string out;
  if (year < 0 || year > 9999) return "0000-00-00T00:00:00";
  two(out, year / 100);
  two(out, year % 100);
  out += '-';
  two(out, month);
  out += '-';
  two(out, day);
  out += 'T';
  two(out, of_day / 3600);
  out += ':';
  two(out, of_day % 3600 / 60);
  out += ':';
  two(out, of_day % 60);
  return out;
}

}  // namespace tarnwick

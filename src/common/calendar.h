// The calendar of the chain's times: "created" texts such as "2024-01-15T10:30:00.000" read as
// UTC, ages in whole days, and Unix seconds written back as time texts. The proleptic Gregorian
// calendar in eras of 400 years, every step checked for overflow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Days from 1970-01-01 to year-month-day in the proleptic Gregorian calendar (eras of 400
// years); none when a step overflows. Month and day are not range-checked here: a 31st of
// February is 3 March (2 March in a leap year).
std::optional<std::int64_t> days_from_civil(std::int64_t year, std::int64_t month,
                                            std::int64_t day);

// Unix seconds of a chain "created" text such as "2024-01-15T10:30:00.000", read as UTC.
// The date is bytes 0..9 split at '-' (year, month 1..12, day 1..31; further pieces ignored);
// byte 10 must begin a character (or be the end). The time of day is bytes 11..18 split at ':'
// (hours, minutes, seconds; a missing or unparsable piece counts 0, values not range-checked),
// and is 0 when the text is shorter than 19 bytes or that cut splits a character. Anything after
// byte 18 is ignored. None for a malformed date, any overflow, or a time before 1970.
std::optional<std::int64_t> created_seconds(std::string_view created);

// The age in whole days at `reference_time` of a "created" text (created_seconds, age_in_days);
// none when it does not read as a time or the age saturates.
std::optional<std::uint32_t> age_of(std::string_view created, std::uint64_t reference_time);

// Whole days from `created` to `reference_time`, 0 when `created` is later. An age beyond the
// 32-bit range saturates at 4294967295, which reads as unknown.
std::uint32_t age_in_days(std::int64_t created, std::uint64_t reference_time);

// The last second a time text can show: 9999-12-31T23:59:59 UTC.
inline constexpr std::int64_t latest_time_text_seconds = 253'402'300'799;

// Unix seconds as UTC "YYYY-MM-DDTHH:MM:SS" (the chain's time text without fraction).
// `seconds` must be within 0 to latest_time_text_seconds; checked by an assertion (a build
// without assertions gives "0000-00-00T00:00:00" outside it).
std::string utc_time_text(std::int64_t seconds);

}  // namespace tarnwick

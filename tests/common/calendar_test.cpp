#include "common/calendar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

constexpr std::int64_t max64 = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t min64 = std::numeric_limits<std::int64_t>::min();

TEST(CivilDateTest, DaysFromCivil) {
  EXPECT_EQ(days_from_civil(1970, 1, 1), 0);
  EXPECT_EQ(days_from_civil(2000, 3, 1), 11017);
  EXPECT_EQ(days_from_civil(1969, 12, 31), -1);
  EXPECT_EQ(days_from_civil(2000, 2, 29), 11016);
  EXPECT_EQ(days_from_civil(2024, 1, 15), 19737);
  // The day is not checked against the month: 31 February is 2 March in a leap year.
  EXPECT_EQ(days_from_civil(2024, 2, 31), days_from_civil(2024, 3, 2));
  EXPECT_EQ(days_from_civil(2023, 2, 31), days_from_civil(2023, 3, 3));
  EXPECT_EQ(days_from_civil(0, 3, 1), -719468);
  EXPECT_EQ(days_from_civil(-1, 3, 1), -719468 - 366);  // year 0 is a leap year
  EXPECT_EQ(days_from_civil(-400, 3, 1), -719468 - 146097);
}

TEST(CivilDateTest, DaysFromCivilOverflowGivesNone) {
  EXPECT_EQ(days_from_civil(max64, 6, 1), std::nullopt);
  EXPECT_EQ(days_from_civil(min64, 6, 1), std::nullopt);
  EXPECT_EQ(days_from_civil(min64, 1, 1), std::nullopt);  // year - 1 overflows
  EXPECT_EQ(days_from_civil(2024, max64, 1), std::nullopt);
  EXPECT_EQ(days_from_civil(2024, 3, max64), std::nullopt);
  EXPECT_EQ(days_from_civil(max64 / 146097 * 400 + 800, 6, 1), std::nullopt);
  EXPECT_NE(days_from_civil(1'000'000'000'000, 6, 1), std::nullopt);
}

TEST(CivilDateTest, CreatedSeconds) {
  struct Case {
    std::string created;
    std::optional<std::int64_t> seconds;
  };
  const std::int64_t day_2024_01_15 = 19737 * 86400LL;
  const std::vector<Case> cases = {
      {"2024-01-15T10:30:00.000", 1705314600},
      {"2024-01-15T10:30:00", 1705314600},
      {"2024-01-15T10:30:00Z", 1705314600},
      {"2024-01-15T10:30:00+05:00", 1705314600},  // zone designators are ignored: read as UTC
      {"2024-01-15", day_2024_01_15},             // date only: midnight
      {"2024-01-15T10:30", day_2024_01_15},       // shorter than 19 bytes: midnight
      {"2024-01-15 10:30:00", 1705314600},        // byte 10 is not looked at
      {"2024-01-15T10:30:xx", day_2024_01_15 + 10 * 3600 + 30 * 60},
      {"2024-01-15T99:99:99", day_2024_01_15 + 99 * 3600 + 99 * 60 + 99},
      {"2024-01-15T10-30-00", day_2024_01_15},  // one unparsable piece: 0
      {"2024-01-15T1:2:3:4.", day_2024_01_15 + 3600 + 120 + 3},
      {"2024-01-15-99xx", day_2024_01_15},  // further date pieces ignored
      {"+2024-1-1-T10:30:00", days_from_civil(2024, 1, 1).value() * 86400 + 37800},
      {"+2024-1-1T00:00:00", std::nullopt},  // the day piece is "1T"
      {"1970-01-01T00:00:00", 0},
      {"2024-02-31T00:00:00", days_from_civil(2024, 3, 2).value() * 86400},
      // Byte 10 is the start of a two-byte character: fine; the time is then cut from byte 11,
      // which is that character's second byte, so the time of day is 0.
      {"2024-01-15\u00e910:30:00", day_2024_01_15},
      // A two-byte character at bytes 18..19: the cut at byte 19 splits it, so time of day 0.
      {"2024-01-15T10:30:0\u00e9", day_2024_01_15},
      {"2024-01-15T10:30:00\u00e9", 1705314600},  // the character begins at byte 19: fine
      // Failures: unknown.
      {"2024-13-01T00:00:00", std::nullopt},
      {"2024-00-01T00:00:00", std::nullopt},
      {"2024-01-32T00:00:00", std::nullopt},
      {"2024-01-00T00:00:00", std::nullopt},
      {"2024-01", std::nullopt},
      {"", std::nullopt},
      {"2024/01/15T10:30:00", std::nullopt},
      {"2024-01-1", std::nullopt},
      {"2024-01-1\xc3\xa9T10:30:00", std::nullopt},  // byte 10 continues a character
      {"1969-12-31T23:59:59", std::nullopt},         // before 1970
      {"-001-01-01T00:00:00", std::nullopt},
      {" 2024-01-15T10:30:00", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(created_seconds(c.created), c.seconds) << c.created;
}

TEST(CivilDateTest, AgeInDays) {
  const std::int64_t created = 1705314600;
  const auto reference = static_cast<std::uint64_t>(created);
  EXPECT_EQ(age_in_days(created, reference + 6 * 86400 + 86399), 6U);
  EXPECT_EQ(age_in_days(created, reference + 7 * 86400), 7U);
  EXPECT_EQ(age_in_days(created, reference), 0U);
  EXPECT_EQ(age_in_days(created, reference - 1), 0U);  // created after the reference time
  EXPECT_EQ(age_in_days(0, std::numeric_limits<std::uint64_t>::max()), 4294967295U);
  EXPECT_EQ(age_in_days(0, 4294967294ULL * 86400), 4294967294U);
}

TEST(UtcTimeText, ChainTimeWithoutFraction) {
  EXPECT_EQ(utc_time_text(0), "1970-01-01T00:00:00");
  EXPECT_EQ(utc_time_text(1709210096), "2024-02-29T12:34:56");
}

}  // namespace
}  // namespace tarnwick

#include "chain/account_reply.h"
#include "chain/history_reply.h"
#include "chain/market_reply.h"
#include "chain/reputation_reply.h"
#include "chain/scan_values.h"
#include "common/calendar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "assess/hazards.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

using test::account_json;
using test::agentscore_json;
using test::market_row_json;
using test::permission_json;
using test::rows_json;

constexpr std::uint64_t created_2024_01_15 = 1705314600;  // 2024-01-15T10:30:00

TEST(TokenFactsTest, OwnerPrivilege) {
  struct Case {
    std::string name;
    std::string reply;
    bool privileged;
  };
  const auto with = [](std::vector<std::string> permissions) {
    return account_json("tok", "2024-01-15T10:30:00.000", permissions);
  };
  const std::vector<Case> cases = {
      {"producers only",
       with({permission_json("owner", 0, {"eosio.prods"}),
             permission_json("active", 0, {"eosio.prods"})}),
       false},
      {"key on active",
       with({permission_json("owner", 0, {"eosio.prods"}), permission_json("active", 1, {})}),
       true},
      {"key on owner", with({permission_json("owner", 2, {})}), true},
      {"another account on owner", with({permission_json("owner", 0, {"someone"})}), true},
      {"producers then another account",
       with({permission_json("active", 0, {"eosio.prods", "someone"})}), true},
      {"producers beside a key", with({permission_json("active", 1, {"eosio.prods"})}), true},
      {"other permission with keys", with({permission_json("claim", 3, {"someone"})}), false},
      {"name in another case", with({permission_json("Owner", 1, {})}), false},
      {"empty actor skipped", with({permission_json("owner", 0, {""})}), false},
      {"empty actor then key", with({permission_json("owner", 1, {""})}), true},
      {"no permissions", with({}), false},
      {"no required_auth", R"({"permissions":[{"perm_name":"owner"}]})", false},
      {"required_auth not an object",
       R"({"permissions":[{"perm_name":"owner","required_auth":7}]})", false},
      {"keys not an array",
       R"({"permissions":[{"perm_name":"owner","required_auth":{"keys":{"a":1}}}]})", false},
      {"actor not a text",
       R"({"permissions":[{"perm_name":"owner","required_auth":{"accounts":[)"
       R"({"permission":{"actor":5}}]}}]})",
       false},
      {"permissions not an array", R"({"permissions":{"perm_name":"owner"}})", false},
      {"not JSON", "<html>502 Bad Gateway</html>", false},
      {"empty reply", "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(owner_privileged(c.reply), c.privileged) << c.name;
}

// What the permissions fact shows is what OWNER_KEYS rests on, and every permission through which
// the code can be set is listed with why.
TEST(TokenFactsTest, PermissionsFactShowsWhatSetsOwnerKeysAndWhoCanSetTheCode) {
  struct Case {
    std::string name;
    std::string reply;
    bool owner_keys;
    std::vector<std::string> privileged;  // names of the listed entries that are privileged
    std::vector<std::string> setters;     // "name: via", in reply order
  };
  const auto with = [](std::vector<std::string> permissions, std::string any = "[]") {
    std::string reply = account_json("tok", "2024-01-15T10:30:00.000", permissions);
    return reply.substr(0, reply.size() - 1) + R"(,"eosio_any_linked_actions":)" + any + "}";
  };
  const auto linked = [](std::string name, std::string parent, std::string links) {
    return R"({"perm_name":")" + name + R"(","parent":")" + parent +
           R"(","required_auth":{"threshold":1,"keys":[{"key":"PUB_K1_x","weight":1}],)"
           R"("accounts":[],"waits":[]},"linked_actions":)" +
           links + "}";
  };
  const std::string producers_owner = permission_json("owner", 0, {"eosio.prods"});
  const std::string producers_active = permission_json("active", 0, {"eosio.prods"});
  const std::vector<Case> cases = {
      {"a second owner with a key after two held by the producers",
       with({producers_owner, producers_active, permission_json("owner", 1, {})}),
       true,
       {"owner"},
       {"owner: parent of active",
        "active: the default: no permission is linked to eosio::setcode or setabi"}},
      {"deploy linked to setcode and setabi, parent active",
       with({producers_owner, producers_active,
             linked("deploy", "active",
                    R"([{"account":"eosio","action":"setcode"},)"
                    R"({"account":"eosio","action":"setabi"}])")}),
       false,
       {},
       {"owner: parent of active", "active: parent of deploy", "deploy: linked to eosio::setcode"}},
      {"a link to every eosio action",
       with({producers_owner, linked("ops", "owner", R"([{"account":"eosio"}])")}),
       false,
       {},
       {"owner: parent of ops", "ops: linked to every eosio action"}},
      {"a link to another contract's setcode sets nothing; no active, no default",
       with({producers_owner, linked("ops", "owner", R"([{"account":"tok","action":"setcode"}])")}),
       false,
       {},
       {}},
      {"named in eosio_any_linked_actions",
       with({producers_owner, linked("ops", "owner", "[]")}, R"([{"perm_name":"ops"}])"),
       false,
       {},
       {"owner: parent of ops", "ops: named in eosio_any_linked_actions"}},
      {"a parent loop ends",
       with({linked("a", "b", R"([{"account":"eosio"}])"), linked("b", "a", "[]")}),
       false,
       {},
       {"a: linked to every eosio action", "b: parent of a"}},
  };
  for (const Case& c : cases) {
    JsonReader reader;
    const PermissionsFact fact = read_account(reader, c.reply).permissions;
    EXPECT_EQ(fact.owner_keys, c.owner_keys) << c.name;
    EXPECT_EQ(fact.owner_keys, owner_privileged(c.reply)) << c.name;
    std::vector<std::string> privileged;
    for (const PermissionEntry& entry : fact.entries) {
      if (entry.privileged) privileged.push_back(entry.name);
    }
    EXPECT_EQ(privileged, c.privileged) << c.name;
    std::vector<std::string> setters;
    for (const CodeSetter& setter : fact.code_setters) {
      setters.push_back(setter.permission.name + ": " + setter.via);
    }
    EXPECT_EQ(setters, c.setters) << c.name;
  }
}

TEST(TokenFactsTest, MarketLiquidity) {
  struct Case {
    std::string name;
    std::string reply;
    std::uint16_t depth;
  };
  const std::string other = market_row_json(1, "other", "eosio.token");
  const std::vector<Case> cases = {
      {"bid side active", rows_json({other, market_row_json(2, "tok", "eosio.token")}), 10000},
      {"ask side active", rows_json({market_row_json(2, "eosio.token", "tok")}), 10000},
      {"status 2", rows_json({market_row_json(2, "tok", "eosio.token", "2")}), 0},
      {"status 0", rows_json({market_row_json(2, "tok", "eosio.token", "0")}), 0},
      {"status 1.0", rows_json({market_row_json(2, "tok", "eosio.token", "1.0")}), 0},
      {"status \"1\"", rows_json({market_row_json(2, "tok", "eosio.token", "\"1\"")}), 0},
      {"status -1", rows_json({market_row_json(2, "tok", "eosio.token", "-1")}), 0},
      {"status null", rows_json({market_row_json(2, "tok", "eosio.token", "null")}), 0},
      {"status true", rows_json({market_row_json(2, "tok", "eosio.token", "true")}), 0},
      {"status 2^64+1",
       rows_json({market_row_json(2, "tok", "eosio.token", "18446744073709551617")}), 0},
      {"no status", R"({"rows":[{"bid_token":{"contract":"tok"}}]})", 0},
      {"first row for the token inactive, second active",
       rows_json({market_row_json(2, "tok", "eosio.token", "2"),
                  market_row_json(3, "tok", "eosio.token", "1")}),
       0},
      {"first row for the token active, second inactive",
       rows_json({market_row_json(2, "tok", "eosio.token", "1"),
                  market_row_json(3, "tok", "eosio.token", "2")}),
       10000},
      {"not in the rows returned", rows_json(test::other_markets(1000)), 0},
      {"contract differs in case", rows_json({market_row_json(2, "TOK", "eosio.token")}), 0},
      {"token only in the symbol", R"({"rows":[{"symbol":"tok","status_code":1}]})", 0},
      {"no rows", rows_json({}), 0},
      {"rows missing", R"({"more":false})", 0},
      {"rows not an array", R"({"rows":{"0":{}}})", 0},
      {"not JSON", "Service Unavailable", 0},
      {"truncated", rows_json({market_row_json(2, "tok", "eosio.token")}).substr(0, 200), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(liquidity_depth(c.reply, "tok"), c.depth) << c.name;
}

TEST(TokenFactsTest, AccountAge) {
  struct Case {
    std::string name;
    std::string reply;
    std::uint64_t reference_time;
    std::uint32_t age;
  };
  const auto created = [](std::string_view text) {
    return account_json("tok", text, {permission_json("owner", 1, {})});
  };
  const std::string typical = created("2024-01-15T10:30:00.000");
  const std::vector<Case> cases = {
      {"6 days 23:59:59", typical, created_2024_01_15 + 6 * 86400 + 86399, 6},
      {"7 days", typical, created_2024_01_15 + 7 * 86400, 7},
      {"same second", typical, created_2024_01_15, 0},
      {"future date", typical, created_2024_01_15 - 1, 0},
      {"date only counts from midnight", created("2024-01-15"),
       created_2024_01_15 - 37800 + 7 * 86400, 7},
      {"month 13", created("2024-13-01T00:00:00"), created_2024_01_15, unknown_age_days},
      {"too short", created("2024-01"), created_2024_01_15, unknown_age_days},
      {"no created", created(""), created_2024_01_15, unknown_age_days},
      {"created not a text", R"({"created":20240115})", created_2024_01_15, unknown_age_days},
      {"created null", R"({"created":null})", created_2024_01_15, unknown_age_days},
      {"not JSON", "oops", created_2024_01_15, unknown_age_days},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(account_age_days(c.reply, c.reference_time), c.age) << c.name;
  }
}

TEST(TokenFactsTest, Reputation) {
  struct Case {
    std::string name;
    std::string reply;
    std::optional<std::uint8_t> score;
  };
  const auto row = [](std::string_view avg) { return rows_json({agentscore_json("tok", avg)}); };
  const std::vector<Case> cases = {
      {"350", row("350"), 63},
      {"\"350\" as a string", row("\"350\""), 63},
      {"\"3.5e2\"", row("\"3.5e2\""), 63},
      {"fraction 261.0", row("261.0"), 40},
      {"262", row("262"), 41},
      {"500", row("500"), 100},
      {"huge", row("18446744073709551615"), 100},
      {"negative", row("-5"), std::nullopt},
      {"zero", row("0"), std::nullopt},
      {"null", row("null"), std::nullopt},
      {"boolean", row("true"), std::nullopt},
      {"object", row("{\"v\":350}"), std::nullopt},
      {"not a number text", row("\"high\""), std::nullopt},
      {"no avg_score", R"({"rows":[{"agent":"tok"}]})", std::nullopt},
      {"first row decides, whoever it belongs to",
       rows_json({agentscore_json("zzz", "100"), agentscore_json("tok", "500")}), 0},
      {"no rows", rows_json({}), std::nullopt},
      {"rows not an array", R"({"rows":"350"})", std::nullopt},
      {"row not an object", R"({"rows":[350]})", std::nullopt},
      {"not JSON", "<html></html>", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(reputation_score(c.reply), c.score) << c.name;
}

// Replies of any shape end in the unread or unusable values, never in a crash or an exception.
TEST(TokenFactsTest, HostileRepliesGiveTheUnusableValues) {
  using namespace std::string_literals;
  const std::string deep_array = std::string(100000, '[') + std::string(100000, ']');
  const std::string deep_object = [] {
    std::string s;
    for (int i = 0; i < 50000; ++i) s += R"({"rows":)";
    s += "[]";
    s += std::string(50000, '}');
    return s;
  }();
  const std::vector<std::string> replies = {
      "",
      "null",
      "[]",
      "\"text\"",
      "1e99999",
      "-18446744073709551617",
      R"({"rows":[{"bid_token":{"contract":"tok"},"status_code":1e400}]})",
      "{\"rows\":[],\"created\":\"2024-01-15\0\"}"s,  // NUL byte
      "{\"created\":\"2024-01-15T10:30:00\xff\"}",    // invalid UTF-8
      R"({"created":"2024-01-15T10:30:00","permissions":[{"perm_name":"owner","required_auth":{)",
      R"({"rows":[{"bid_token":"tok","ask_token":["tok"],"status_code":1}]})",
      R"({"permissions":[null,1,"owner",{"perm_name":null,"required_auth":null}]})",
      R"({"rows":[{"avg_score":"nan"}]})",
      R"({"rows":[{"avg_score":"-inf"}]})",
      R"({"rows":[{"avg_score":1e308}]})",
      deep_array,
      deep_object,
      std::string(1 << 20, '{'),
  };
  for (const std::string& reply : replies) {
    const std::string shown = reply.substr(0, 60);
    EXPECT_FALSE(owner_privileged(reply)) << shown;
    EXPECT_EQ(liquidity_depth(reply, "tok"), 0) << shown;
    EXPECT_EQ(account_age_days(reply, created_2024_01_15), unknown_age_days) << shown;
    const std::optional<std::uint8_t> score = reputation_score(reply);
    if (score) {
      EXPECT_LE(*score, 100) << shown;
    }
  }
  // A NaN text is not "0 or less": it scales to 0, like the assessment says.
  EXPECT_EQ(reputation_score(R"({"rows":[{"avg_score":"nan"}]})"), 0);
  EXPECT_EQ(reputation_score(R"({"rows":[{"avg_score":1e308}]})"), 100);
}

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

}  // namespace
}  // namespace tarnwick

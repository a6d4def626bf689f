#include "chain/account_reply.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "assess/hazards.h"
#include "chain/scan_values.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

using test::account_json;
using test::permission_json;

constexpr std::uint64_t created_2024_01_15 = 1705314600;  // 2024-01-15T10:30:00

// OWNER_KEYS as /scan weighs any reply; where a row says, the permissions fact's status: read
// only when the reply shows its owner and active permissions whole.
TEST(TokenFactsTest, OwnerPrivilege) {
  struct Case {
    std::string name;
    std::string reply;
    bool privileged;
    std::string status = {};  // "read", "partly" or "unavailable"
  };
  const auto with = [](std::vector<std::string> permissions) {
    return account_json("tok", "2024-01-15T10:30:00.000", permissions);
  };
  const auto listed = [](std::string permissions) {
    return R"({"permissions":)" + permissions + "}";
  };
  const std::vector<Case> cases = {
      {"producers only",
       with({permission_json("owner", 0, {"eosio.prods"}),
             permission_json("active", 0, {"eosio.prods"})}),
       false, "read"},
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
      {"no permissions", with({}), false, "unavailable"},
      {"no required_auth", R"({"permissions":[{"perm_name":"owner"}]})", false},
      {"required_auth not an object",
       R"({"permissions":[{"perm_name":"owner","required_auth":7}]})", false},
      {"keys not an array",
       listed(R"([{"perm_name":"owner","required_auth":{"keys":{"a":1},"accounts":[]}}])"), false,
       "unavailable"},
      {"actor not a text",
       R"({"permissions":[{"perm_name":"owner","required_auth":{"keys":[],"accounts":[)"
       R"({"permission":{"actor":5}}]}}]})",
       false, "unavailable"},
      {"permissions not an array", R"({"permissions":{"perm_name":"owner"}})", false},
      {"not JSON", "<html>502 Bad Gateway</html>", false},
      {"empty reply", "", false},
      {"permissions a text", listed(R"("x")"), false, "unavailable"},
      {"permissions of numbers", listed("[1,2]"), false, "unavailable"},
      {"owner and active without required_auth",
       listed(R"([{"perm_name":"owner"},{"perm_name":"active"}])"), false, "unavailable"},
      {"active without required_auth",
       listed("[" + permission_json("owner", 0, {"eosio.prods"}) + R"(,{"perm_name":"active"}])"),
       false, "partly"},
      {"a key, but no accounts array",
       listed(R"([{"perm_name":"owner","required_auth":{"keys":[{"key":"K"}]}},)" +
              permission_json("active", 0, {"eosio.prods"}) + "]"),
       true, "partly"},
      {"an entry that is no permission",
       with({permission_json("owner", 0, {}), permission_json("active", 0, {}), "7"}), false,
       "partly"},
      {"permissions named twice: a key, then producers",
       R"({"permissions":[)" + permission_json("owner", 1, {}) + R"(],"permissions":[)" +
           permission_json("owner", 0, {"eosio.prods"}) + "]}",
       false},
      {"permissions named twice: producers, then a key",
       R"({"permissions":[)" + permission_json("owner", 0, {"eosio.prods"}) +
           R"(],"permissions":[)" + permission_json("owner", 1, {}) + "]}",
       true},
      {"perm_name named twice: the last counts",
       R"({"permissions":[{"perm_name":"owner","perm_name":"claim","required_auth":{"keys":[)"
       R"({"key":"K"}],"accounts":[]}}]})",
       false},
  };
  JsonReader reader;
  for (const Case& c : cases) {
    EXPECT_EQ(owner_privileged(c.reply), c.privileged) << c.name;
    const PermissionsFact fact = read_account(reader, c.reply).permissions;
    EXPECT_EQ(fact.owner_keys, c.privileged) << c.name;
    const std::string status = fact.why.empty() ? "read" : fact.partly ? "partly" : "unavailable";
    if (!c.status.empty()) {
      EXPECT_EQ(status, c.status) << c.name;
    }
  }
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

}  // namespace
}  // namespace tarnwick

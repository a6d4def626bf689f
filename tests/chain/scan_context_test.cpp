#include "chain/scan_context.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <type_traits>

#include "common/account_name.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"
#include "support/scoped_env.h"

namespace tarnwick {
namespace {

static_assert(std::is_nothrow_move_constructible_v<ScanContext>);
static_assert(std::is_nothrow_move_assignable_v<ScanContext>);
static_assert(!std::is_copy_constructible_v<ScanContext>);

using test::ScopedEnv;

TEST(ScanContext, ProductionContextUsesTheFixedNodeAndContract) {
  const ScopedEnv home("HOME", nullptr);
  const ScanContext context = build_scan_context();
  EXPECT_EQ(context.client.base_url(), production_api_base);
  EXPECT_EQ(context.client.base_url(), context.client.base_url());
  EXPECT_EQ(context.client.base_url().rfind("https://", 0), 0U);
  EXPECT_NE(context.client.base_url().back(), '/');
  EXPECT_TRUE(is_account_name(context.reputation_contract)) << context.reputation_contract;
  // The registry's own reputation contract, not a name anyone could still claim.
  EXPECT_EQ(context.reputation_contract, "agentfeed");
  EXPECT_GT(context.reference_time, 1'700'000'000U);  // after the program was written
  EXPECT_TRUE(context.prior_rugs.names.empty());
}

TEST(ScanContext, PriorRugsComeFromTheDataFolderUnderHome) {
  const auto home =
      std::filesystem::temp_directory_path() / ("tarnwick-home-" + std::to_string(::getpid()));
  const auto folder = home / "Library/Application Support/tarnwick";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "known_rugs.txt") << "rugger\n";
  {
    const ScopedEnv scoped("HOME", home.string());
    EXPECT_TRUE(build_scan_context().prior_rugs.contains("rugger"));
  }
  {
    const ScopedEnv scoped("HOME", "");
    EXPECT_TRUE(build_scan_context().prior_rugs.names.empty());
  }
  std::filesystem::remove_all(home);
}

TEST(ScanContext, ReferenceTimeIsZeroBefore1970) {
  using std::chrono::system_clock;
  EXPECT_EQ(unix_seconds(system_clock::time_point{}), 0U);
  EXPECT_EQ(unix_seconds(system_clock::time_point{} + std::chrono::milliseconds(1'700'000'000'999)),
            1'700'000'000U);
  EXPECT_EQ(unix_seconds(system_clock::time_point{} - std::chrono::milliseconds(1)), 0U);
  EXPECT_EQ(unix_seconds(system_clock::time_point{} - std::chrono::hours(24 * 365)), 0U);
}

TEST(ScanContext, BuiltFromPartsAndMovedItStillReads) {
  test::FakeNode node;
  node.set_reply("/v1/chain/get_account", test::FakeReply::json("{\"account_name\":\"abc\"}"));
  ScanContext built{ChainClient(test::client_settings(node)), "agentrep", 1'700'000'000,
                    parse_prior_rugs("rugger\n")};
  const ScanContext context = std::move(built);
  EXPECT_EQ(context.reference_time, 1'700'000'000U);
  EXPECT_TRUE(context.prior_rugs.contains("rugger"));
  const ReadOutcome outcome =
      context.client.post_json(context.client.base_url() + "/v1/chain/get_account", "{}");
  EXPECT_EQ(std::get<std::string>(outcome), "{\"account_name\":\"abc\"}");
}

}  // namespace
}  // namespace tarnwick

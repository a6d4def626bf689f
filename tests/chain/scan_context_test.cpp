#include "chain/scan_context.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

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

TEST(ScanContext, ProductionContextUsesTheFixedNodeContractAndTheClockNow) {
  const ScopedEnv home("HOME", nullptr);
  const std::uint64_t before = unix_seconds(std::chrono::system_clock::now());
  const ScanContext context = build_scan_context();
  const std::uint64_t after = unix_seconds(std::chrono::system_clock::now());
  EXPECT_EQ(context.client.base_url(), production_api_base);
  EXPECT_EQ(context.client.base_url().rfind("https://", 0), 0U);
  EXPECT_NE(context.client.base_url().back(), '/');
  EXPECT_EQ(context.reputation_contract, production_reputation_contract);
  EXPECT_TRUE(is_account_name(context.reputation_contract)) << context.reputation_contract;
  // Unix seconds of the wall clock while it was built: not milliseconds, not another clock.
  EXPECT_GE(context.reference_time, before);
  EXPECT_LE(context.reference_time, after);
  EXPECT_TRUE(context.prior_rugs.names.empty());
}

TEST(ScanContext, PriorRugsComeFromTheDataFolderUnderHome) {
  const auto home =
      std::filesystem::temp_directory_path() / ("tarnwick-home-" + std::to_string(::getpid()));
  const auto folder = home / "Library/Application Support/tarnwick";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "known_rugs.txt") << "rugger\n";
  std::ofstream(folder / "known_tokens.txt") << "usd.token USDX\n";
  {
    const ScopedEnv scoped("HOME", home.string());
    const ScanContext context = build_scan_context();
    EXPECT_TRUE(context.prior_rugs.contains("rugger"));
    EXPECT_EQ(context.known_tokens.known_for("USDX"),
              (std::vector<KnownToken>{{"usd.token", "USDX"}}));
  }
  {
    const ScopedEnv scoped("HOME", "");
    const ScanContext context = build_scan_context();
    EXPECT_TRUE(context.prior_rugs.names.empty());
    EXPECT_EQ(context.known_tokens.tokens, built_in_known_tokens());
  }
  // A file longer than the limit is not read at all; one at the limit is.
  const std::string pair = "usd.token USDX\n";
  const std::string padding(max_known_tokens_bytes - pair.size(), '#');
  for (const bool over : {false, true}) {
    std::ofstream(folder / "known_tokens.txt") << padding << '\n' << pair.substr(over ? 0 : 1);
    EXPECT_EQ(load_known_tokens(folder).tokens.size(),
              built_in_known_tokens().size() + (over ? 0U : 1U))
        << over;
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
  EXPECT_EQ(context.client.deliver(ChainRequest{"/v1/chain/get_account", "{}"}),
            Delivery(Reply{"{\"account_name\":\"abc\"}", node.base_url()}));
}

}  // namespace
}  // namespace tarnwick

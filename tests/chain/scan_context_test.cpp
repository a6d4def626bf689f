#include "chain/scan_context.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <type_traits>

#include "support/fake_node.h"
#include "support/fake_node_client.h"

namespace tarnwick {
namespace {

static_assert(std::is_nothrow_move_constructible_v<ScanContext>);
static_assert(std::is_nothrow_move_assignable_v<ScanContext>);
static_assert(!std::is_copy_constructible_v<ScanContext>);

bool is_account_name(std::string_view name) {
  if (name.empty() || name.size() > 12 || name.back() == '.') return false;
  for (const char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '1' && c <= '5') || c == '.')) return false;
  }
  return true;
}

// Sets HOME for one test (or unsets it) and restores it afterwards.
class ScopedHome {
 public:
  explicit ScopedHome(const char* value) {
    if (const char* old = std::getenv("HOME")) old_ = old;
    if (value != nullptr) {
      ::setenv("HOME", value, 1);
    } else {
      ::unsetenv("HOME");
    }
  }
  ~ScopedHome() {
    if (old_) {
      ::setenv("HOME", old_->c_str(), 1);
    } else {
      ::unsetenv("HOME");
    }
  }
  ScopedHome(const ScopedHome&) = delete;
  ScopedHome& operator=(const ScopedHome&) = delete;

 private:
  std::optional<std::string> old_;
};

TEST(ScanContext, ProductionContextUsesTheFixedNodeAndContract) {
  const ScopedHome home(nullptr);
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
    const ScopedHome scoped(home.c_str());
    EXPECT_TRUE(build_scan_context().prior_rugs.contains("rugger"));
  }
  {
    const ScopedHome scoped("");
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

#include "service/update_notice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/fake_node.h"
#include "support/fake_node_client.h"

namespace tarnwick {
namespace {

using test::FakeNode;
using test::FakeReply;

const std::string not_available = R"({"available":false,"current":"0.1.1"})";

class UpdateCheckTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() /
        ("tarnwick-update-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // The fake node's settings made the manifest's by manifest_client_settings: every answer below
  // also shows that the manifest client keeps the site's trust (only the node's test CA), and
  // ReadsOnlyTheFirstTwoMebibytes that it reads the manifest's limit and keeps that part.
  UpdateCheck check() const {
    return UpdateCheck{folder_, node_.base_url() + "/updates.json",
                       manifest_client_settings(test::client_settings(node_))};
  }
  std::string answer_for(FakeReply reply) {
    node_.set_reply("/updates.json", std::move(reply));
    return run_update_check(check());
  }

  FakeNode node_;
  std::filesystem::path folder_;
};

TEST_F(UpdateCheckTest, OffersANewerReleaseWithItsTextsAsPublished) {
  EXPECT_EQ(
      answer_for(FakeReply::json(
          R"({"tarnwick":{"version":"v0.2.0","page":"https://get.tarnwick.app/releases/0.2.0/"}})")),
      R"({"available":true,"current":"0.1.1","page":"https://get.tarnwick.app/releases/0.2.0/","version":"v0.2.0"})");
  ASSERT_EQ(node_.requests().size(), 1U);
  EXPECT_EQ(node_.requests()[0].method, "GET");
  EXPECT_EQ(node_.requests()[0].target, "/updates.json");
}

TEST_F(UpdateCheckTest, EveryFailureIsTheNotAvailableAnswer) {
  const std::string newer = R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}})";
  const FakeReply failures[] = {
      FakeReply::json(newer, 404),
      FakeReply::json(newer, 500),
      FakeReply::json(R"({"other":{"version":"9.0","page":"https://get.tarnwick.app/"}})"),
      FakeReply::json(R"(["tarnwick"])"),
      FakeReply::json(R"({"tarnwick":{"version":"9.0","page":"https://elsewhere.example/"}})"),
      FakeReply::json(R"({"tarnwick":{"version":"0.1.1+7","page":"https://get.tarnwick.app/"}})"),
      FakeReply::json(R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/)"
                      "\xFF"
                      R"("}})"),
      FakeReply::html("<html>maintenance</html>"),
      FakeReply::reset_connection(),
      FakeReply::close_connection(),
      FakeReply::raw("HTTP/1.1 200 OK\r\n\r\n"),
  };
  for (const auto& reply : failures) EXPECT_EQ(answer_for(reply), not_available);
}

TEST_F(UpdateCheckTest, ReadsOnlyTheFirstTwoMebibytes) {
  const std::string document =
      R"({"tarnwick":{"version":"1.0","page":"https://get.tarnwick.app/"}})";
  const std::size_t three_mib = 3 * 1024 * 1024;

  // Closes within the first 2 MiB, white space after it: the part read still parses.
  std::string padded = document + std::string(three_mib - document.size(), ' ');
  for (const bool chunked : {false, true}) {
    FakeReply reply = FakeReply::json(padded);
    reply.chunked = chunked;
    EXPECT_NE(answer_for(reply), not_available) << "chunked " << chunked;
  }

  // The document itself runs past 2 MiB: what is read is cut short and does not parse.
  std::string long_page = R"({"tarnwick":{"version":"1.0","page":"https://get.tarnwick.app/)" +
                          std::string(manifest_read_limit, 'a') + R"("}})";
  EXPECT_EQ(answer_for(FakeReply::json(long_page)), not_available);
}

TEST_F(UpdateCheckTest, MarkerFileOrFolderSwitchesTheCheckOffWithoutAnyConnection) {
  node_.set_reply(
      "/updates.json",
      FakeReply::json(R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}})"));
  const auto marker = folder_ / "no-update-check";

  std::ofstream(marker).put('x');
  EXPECT_EQ(run_update_check(check()), not_available);
  std::filesystem::remove(marker);

  std::filesystem::create_directory(marker);
  EXPECT_EQ(run_update_check(check()), not_available);
  EXPECT_EQ(node_.connections_accepted(), 0U);
  EXPECT_TRUE(node_.requests().empty());

  // Removing the marker takes effect at the next check.
  std::filesystem::remove(marker);
  EXPECT_NE(run_update_check(check()), not_available);
}

// Only a folder that says "no such entry" has no marker: one that cannot be searched may hold the
// user's opt-out, and then the check stays off.
TEST_F(UpdateCheckTest, MarkerThatCannotBeLookedForCountsAsPresent) {
  node_.set_reply(
      "/updates.json",
      FakeReply::json(R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}})"));
  std::filesystem::create_symlink("loop", folder_ / "loop");
  std::ofstream(folder_ / "file").put('x');
  const std::vector<std::pair<std::filesystem::path, bool>> cases = {
      {folder_ / "absent", true},                // ENOENT
      {folder_ / "file", true},                  // ENOTDIR
      {folder_ / "loop", false},                 // ELOOP; EACCES goes the same way
      {folder_ / std::string(300, 'a'), false},  // ENAMETOOLONG
  };
  for (const auto& [folder, checked] : cases) {
    UpdateCheck in_folder = check();
    in_folder.data_folder = folder;
    EXPECT_EQ(run_update_check(in_folder) != not_available, checked) << folder;
  }
}

TEST_F(UpdateCheckTest, NoDataFolderMeansNoMarkerToFind) {
  node_.set_reply(
      "/updates.json",
      FakeReply::json(R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}})"));
  UpdateCheck without_folder = check();
  without_folder.data_folder.reset();
  EXPECT_NE(run_update_check(without_folder), not_available);
}

}  // namespace
}  // namespace tarnwick

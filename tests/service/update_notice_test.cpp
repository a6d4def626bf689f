#include "service/update_notice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "service/cockpit/cockpit_page.h"
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

TEST(ParseVersion, AcceptsOneToFourPiecesAfterTrimPrefixAndSuffix) {
  const struct {
    std::string text;
    VersionNumber pieces;
  } cases[] = {
      {"0.1.1", {0, 1, 1}},
      {"v0.2.0", {0, 2, 0}},
      {"vvv3", {3}},
      {" \t0.1.1\xE3\x80\x80", {0, 1, 1}},
      {"0.1.1-beta", {0, 1, 1}},
      {"0.1.1+7", {0, 1, 1}},
      {"1.2-rc.1+build", {1, 2}},
      {"1.2.3.4", {1, 2, 3, 4}},
      {"18446744073709551615", {18446744073709551615ULL}},
      {"007.01", {7, 1}},
  };
  for (const auto& c : cases) {
    const auto parsed = parse_version(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(*parsed, c.pieces) << c.text;
  }
}

TEST(ParseVersion, RejectsMalformedText) {
  const std::string bad[] = {
      "",     "v",        "1.2.3.4.5", "1..2", "1.x", "1.",   ".1",
      "V1.0", "1.0a",     " 1 .0",     "-1",   "+1",  "1.-2", "18446744073709551616",
      "1,2",  "\xC2\xB9", "1.2 3",     "0x10",
  };
  for (const auto& text : bad) EXPECT_FALSE(parse_version(text).has_value()) << text;
}

TEST(CompareVersions, PadsTheShorterWithZeros) {
  const struct {
    VersionNumber a;
    VersionNumber b;
    int sign;
  } cases[] = {
      {{0, 1, 1}, {0, 1, 1}, 0},           {{0, 1, 1, 0}, {0, 1, 1}, 0},
      {{0, 1, 1, 1}, {0, 1, 1}, 1},        {{0, 1}, {0, 1, 1}, -1},
      {{0, 2}, {0, 1, 9, 9}, 1},           {{1}, {0, 99}, 1},
      {{18446744073709551615ULL}, {0}, 1},
  };
  for (const auto& c : cases) {
    const int result = compare_versions(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.sign);
    const int reverse = compare_versions(c.b, c.a);
    EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign);
  }
}

std::string manifest(const std::string& version, const std::string& page) {
  return R"({"tarnwick":{"version":")" + version + R"(","page":")" + page + R"("}})";
}

TEST(UpdateAnswer, ThePageChecksTheSameDownloadSite) {
  // The banner script repeats the prefix; the two must name the same site.
  const std::string quoted = "\"" + std::string(download_site_prefix) + "\"";
  EXPECT_NE(cockpit_page().find(quoted), std::string_view::npos);
}

TEST(UpdateAnswer, NotAvailableAnswerIsCompact) {
  EXPECT_EQ(not_available_answer(), not_available);
}

TEST(UpdateAnswer, OffersOnlyANewerVersionOnTheDownloadSite) {
  const std::string site = "https://get.tarnwick.app/releases/";
  const struct {
    std::string version;
    std::string page;
    bool available;
  } cases[] = {
      {"v0.2.0", site + "0.2.0", true},
      {"0.1.1.1", site, true},
      {"0.1.1", site, false},
      {"0.1.1-beta", site, false},
      {"0.1.1+7", site, false},
      {"0.1.1.0", site, false},
      {"0.1", site, false},
      {"1.2.3.4.5", site, false},
      {"1..2", site, false},
      {"1.x", site, false},
      {"", site, false},
      {"9.0", "https://elsewhere.example/get.tarnwick.app/", false},
      {"9.0", "http://get.tarnwick.app/", false},
      {"9.0", "https://get.tarnwick.app.evil.example/", false},
  };
  for (const auto& c : cases) {
    const std::string answer = update_answer(manifest(c.version, c.page));
    if (c.available) {
      EXPECT_EQ(answer, R"({"available":true,"current":"0.1.1","page":")" + c.page +
                            R"(","version":")" + c.version + R"("})");
    } else {
      EXPECT_EQ(answer, not_available) << c.version << " " << c.page;
    }
  }
}

TEST(UpdateAnswer, UnusableManifestsOfferNothing) {
  const std::string cases[] = {
      "",
      "not json",
      R"([{"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}}])",
      R"({"other":{"version":"9.0","page":"https://get.tarnwick.app/"}})",
      R"({"tarnwick":"9.0"})",
      R"({"tarnwick":{"version":9,"page":"https://get.tarnwick.app/"}})",
      R"({"tarnwick":{"version":"9.0","page":["https://get.tarnwick.app/"]}})",
      R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"})",  // truncated
      std::string(R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}})") + "\xFF",
      std::string(R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}})") +
          std::string(1, '\0'),
  };
  for (const auto& text : cases) EXPECT_EQ(update_answer(text), not_available) << text;
}

TEST(UpdateAnswer, KeepsOtherMembersOutAndEscapesTheManifestTexts) {
  const std::string text =
      R"({"x":1,"tarnwick":{"page":"https://get.tarnwick.app/a\\\"b\u00e9","version":"1.0","extra":true}})";
  EXPECT_EQ(update_answer(text),
            "{\"available\":true,\"current\":\"0.1.1\",\"page\":\"https://get.tarnwick.app/"
            "a\\\\\\\"b\xC3\xA9\","
            "\"version\":\"1.0\"}");
}

TEST(UpdateAnswer, TrailingWhiteSpaceAfterTheDocumentStillParses) {
  const std::string text = manifest("1.0", "https://get.tarnwick.app/") + std::string(4096, ' ');
  EXPECT_NE(update_answer(text), not_available);
}

}  // namespace
}  // namespace tarnwick

#include "chain/prior_rug_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chain/data_folder.h"

namespace tarnwick {
namespace {

std::vector<std::string> names_in(std::string_view file) {
  const PriorRugList list = parse_prior_rugs(file);
  return {list.names.begin(), list.names.end()};
}

using Names = std::vector<std::string>;

TEST(PriorRugList, ParsesLinesCommentsAndWhiteSpace) {
  const struct {
    const char* name;
    std::string file;
    Names expected;
  } cases[] = {
      {"name between spaces, then a remark", "  rugger1  # took the pool in May\n", {"rugger1"}},
      {"comment line and blank line", "# header\n   \n\t\nabc\n", {"abc"}},
      {"last line without LF", "abc\nxyz", {"abc", "xyz"}},
      {"CRLF like LF", "abc\r\nxyz\r\nd.e # note\r\n", {"abc", "d.e", "xyz"}},
      {"lone CR inside a line", "ab\rc\n", {}},
      {"no-break space and ideographic space trimmed",
       "\xC2\xA0"
       "abc\xE3\x80\x80\n",
       {"abc"}},
      {"every other White_Space character trimmed",
       "\x0B\x0C\xC2\x85\xE1\x9A\x80\xE2\x80\x80"
       "abc\xE2\x80\x8A\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\x9F",
       {"abc"}},
      {"zero-width space is not white space",
       "\xE2\x80\x8B"
       "abc\n",
       {}},
      {"13 characters load, 14 do not", "abcde12345.ab\nabcde12345.abc\n", {"abcde12345.ab"}},
      {"capital letter, hyphen, two names, digit 6 skipped; others load",
       "Rugger\nrug-ger\nabc def\nrug6\nok.name\n",
       {"ok.name"}},
      {"duplicates collapse", "abc\nabc  \n  abc # again\n", {"abc"}},
      {"order is byte order", "zeta\n1one\n.dot\nalpha\n", {".dot", "1one", "alpha", "zeta"}},
      {"byte order mark at the start",
       "\xEF\xBB\xBF"
       "first\nsecond\n",
       {"first", "second"}},
      {"byte order mark later is not white space",
       "first\n\xEF\xBB\xBF"
       "second\n",
       {"first"}},
      {"empty file", "", {}},
      {"NUL byte makes a line invalid", std::string("abc\0\nxyz\n", 9), {"xyz"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(names_in(c.file), c.expected) << c.name;
  }
}

TEST(PriorRugList, AnyInvalidUtf8LoadsNothing) {
  for (const std::string bad : {"\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "# \x80 comment"}) {
    EXPECT_EQ(names_in("abc\n" + bad + "\nxyz\n"), Names{}) << testing::PrintToString(bad);
    EXPECT_EQ(names_in("abc\nxyz\n" + bad), Names{}) << testing::PrintToString(bad);
  }
}

TEST(PriorRugList, MembershipIsExact) {
  const PriorRugList list = parse_prior_rugs("rugger\nabc.def\n");
  EXPECT_TRUE(list.contains("rugger"));
  EXPECT_TRUE(list.contains("abc.def"));
  EXPECT_FALSE(list.contains("rugge"));
  EXPECT_FALSE(list.contains("ruggerx"));
  EXPECT_FALSE(list.contains("RUGGER"));
  EXPECT_FALSE(list.contains(""));
  EXPECT_FALSE(PriorRugList{}.contains("rugger"));
}

class PriorRugFile : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("tarnwick-rugs-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path folder_;
};

TEST_F(PriorRugFile, LoadsTheFileInTheFolder) {
  std::ofstream(folder_ / "known_rugs.txt", std::ios::binary) << "rugger # remark\r\nabc\r\n";
  const PriorRugList list = load_prior_rugs(folder_);
  EXPECT_EQ(list.names, (std::set<std::string, std::less<>>{"abc", "rugger"}));
}

TEST_F(PriorRugFile, MissingFolderFileOrUnreadableEntryGivesEmptyList) {
  EXPECT_TRUE(load_prior_rugs(std::nullopt).names.empty());
  EXPECT_TRUE(load_prior_rugs(folder_).names.empty());  // no file
  EXPECT_TRUE(load_prior_rugs(folder_ / "absent").names.empty());
  std::filesystem::create_directory(folder_ / "known_rugs.txt");  // a folder by that name
  EXPECT_TRUE(load_prior_rugs(folder_).names.empty());
}

#if defined(__linux__)
// /proc/self/mem is a regular file whose first page is unmapped: reading it fails with EIO, as a
// failing disk or a broken network mount would. That must give the empty list, not stop start-up.
TEST_F(PriorRugFile, ReadErrorPartWayGivesEmptyList) {
  std::filesystem::create_symlink("/proc/self/mem", folder_ / "known_rugs.txt");
  EXPECT_TRUE(load_prior_rugs(folder_).names.empty());
}
#endif

TEST_F(PriorRugFile, FileIsReadOnceNotWatched) {
  std::ofstream(folder_ / "known_rugs.txt") << "first\n";
  const PriorRugList list = load_prior_rugs(folder_);
  std::ofstream(folder_ / "known_rugs.txt", std::ios::app) << "second\n";
  EXPECT_FALSE(list.contains("second"));
  EXPECT_TRUE(load_prior_rugs(folder_).contains("second"));
}

TEST(DataFolder, HomeUnsetOrEmptyGivesNoFolder) {
  EXPECT_EQ(data_folder(nullptr), std::nullopt);
  EXPECT_EQ(data_folder(""), std::nullopt);
  EXPECT_EQ(data_folder("/Users/ann"),
            std::filesystem::path("/Users/ann/Library/Application Support/tarnwick"));
}

}  // namespace
}  // namespace tarnwick

#include "chain/prior_rug_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/account_name.h"
#include "common/data_folder.h"

namespace tarnwick {
namespace {

// The names in `file`, handed over whole or in pieces of `piece` bytes (reads end anywhere).
std::vector<std::string> names_in(std::string_view file, std::size_t piece = 0) {
  PriorRugListBuilder builder;
  for (std::size_t at = 0; piece != 0 && at < file.size(); at += piece) {
    builder.take(file.substr(at, piece));
  }
  std::vector<std::string> names;
  for (const std::uint64_t code : (piece == 0 ? parse_prior_rugs(file) : builder.finish()).names) {
    names.push_back(decode_account_name(code));
  }
  return names;
}

using Names = std::vector<std::string>;

// A line of characters of 1 to 4 bytes, twice the length limit and more: the bytes held of it
// fill up more than once, with a character across the end.
const std::string long_line = [] {
  std::string line;
  while (line.size() <= 2 * PriorRugListBuilder::max_line_bytes) {
    line += "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  }
  return line;
}();

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
      {"a 13th character beyond j has no chain code; no token is that long anyway",
       "abcde12345.aj\nabcde12345.ak\n",
       {"abcde12345.aj"}},
      {"a name ending in '.' can never be a token", "abc.\nab..\n.\nab\n", {"ab"}},
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
      {"a line of 256 bytes loads; a longer one is skipped whole, the next loads",
       "rugger" + std::string(250, ' ') + "\nabc" + std::string(254, ' ') + "\nxyz\n",
       {"rugger", "xyz"}},
      {"byte order mark after a skipped first line is not white space",
       long_line + "\n\xEF\xBB\xBF" + "second\n",
       {}},
      {"a skipped line of characters of 2 to 4 bytes",
       "abc\n" + long_line + "\nxyz\n",
       {"abc", "xyz"}},
  };
  for (const auto& c : cases) {
    for (const std::size_t piece : {0U, 1U, 7U}) {
      EXPECT_EQ(names_in(c.file, piece), c.expected) << c.name << ", pieces of " << piece;
    }
  }
}

TEST(PriorRugList, AnyInvalidUtf8LoadsNothing) {
  for (const std::string bad : {"\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "# \x80 comment"}) {
    EXPECT_EQ(names_in("abc\n" + bad + "\nxyz\n"), Names{}) << testing::PrintToString(bad);
    EXPECT_EQ(names_in("abc\nxyz\n" + bad), Names{}) << testing::PrintToString(bad);
    EXPECT_EQ(names_in("abc\n" + long_line + bad + long_line + "\nxyz\n"), Names{})
        << "inside a skipped line: " << testing::PrintToString(bad);
    EXPECT_EQ(names_in("abc\n" + long_line + bad), Names{})
        << "ending a skipped last line: " << testing::PrintToString(bad);
  }
}

TEST(PriorRugList, MembershipIsExact) {
  const PriorRugList list = parse_prior_rugs("rugger\nabc.def\nabcde12345.ab\n");
  EXPECT_TRUE(list.contains("rugger"));
  EXPECT_TRUE(list.contains("abc.def"));
  EXPECT_TRUE(list.contains("abcde12345.ab"));
  EXPECT_FALSE(list.contains("rugger."));  // the chain's code of "rugger." is that of "rugger"
  EXPECT_FALSE(list.contains("abcde12345.a"));
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
  EXPECT_EQ(list.names.size(), 2U);
  EXPECT_TRUE(list.contains("abc"));
  EXPECT_TRUE(list.contains("rugger"));
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

// A FIFO by that name, with a writer that never closes it: reading it would hold start-up forever
// (the alarm ends the child instead).
TEST_F(PriorRugFile, FifoIsNeverRead) {
  const std::filesystem::path fifo = folder_ / "known_rugs.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, "rugger\n", 7), 7);
  EXPECT_EXIT(
      {
        ::alarm(20);
        std::_Exit(load_prior_rugs(folder_).names.empty() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  ::close(writer);
}

// AddressSanitizer's allocator aborts on exhaustion by design, so this runs in the plain builds.
#if !defined(__SANITIZE_ADDRESS__)
// In a child: loads the list with no memory left to map (a data limit far below what the process
// already uses) and exits 0 when the list is empty or whole, 1 when it is partial.
[[noreturn]] void load_without_memory_to_spare(const std::filesystem::path& folder,
                                               std::size_t count) {
  const rlimit tight{1 << 20, 1 << 20};
  ::setrlimit(RLIMIT_DATA, &tight);
  const std::size_t loaded = load_prior_rugs(folder).names.size();
  std::_Exit(loaded == 0 || loaded == count ? 0 : 1);
}

// A file of one huge line costs no memory while it is taken: in a child with no memory left to
// map, 64 MiB of it leave the name before it in the list.
TEST(PriorRugList, AnEndlessLineIsNeverHeld) {
  const auto take_endless_line = [] {
    PriorRugListBuilder builder;
    builder.take("rugger\n" + std::string(PriorRugListBuilder::max_line_bytes, 'x'));
    const std::string piece(std::size_t{1} << 20, 'x');
    const rlimit tight{1 << 20, 1 << 20};
    ::setrlimit(RLIMIT_DATA, &tight);
    for (int i = 0; i < 64; ++i) builder.take(piece);
    std::_Exit(builder.finish().contains("rugger") ? 0 : 1);
  };
  EXPECT_EXIT(take_endless_line(), testing::ExitedWithCode(0), "");
}

TEST_F(PriorRugFile, RunningOutOfMemoryGivesTheEmptyListNotAnAbort) {
  constexpr std::size_t count = 100'000;
  {
    std::ofstream out(folder_ / "known_rugs.txt");
    for (std::size_t i = 0; i < count; ++i) {
      std::string name = "n";
      for (std::size_t rest = i; rest > 0; rest /= 26) name += static_cast<char>('a' + rest % 26);
      out << name << '\n';
    }
  }
  EXPECT_EXIT(load_without_memory_to_spare(folder_, count), testing::ExitedWithCode(0), "");
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

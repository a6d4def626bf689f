// PriorRugList: the account names of known prior rug deployers, loaded once from known_rugs.txt
// in the data folder. Loading never fails and never throws: every problem, running out of memory
// included, yields a smaller or empty list. Names are held as their 64-bit chain codes
// (common/account_name.h), 8 bytes each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

struct PriorRugList {
  std::vector<std::uint64_t> names;  // codes of the listed names, ascending, distinct

  // True exactly when the list holds `account`, byte for byte.
  bool contains(std::string_view account) const;
};

// Builds a PriorRugList from the bytes of a known_rugs.txt file handed over in pieces of any size.
// Lines end at LF (a CR before it goes too); everything from the first '#' on a line is a comment;
// the rest is trimmed of Unicode White_Space; what remains is a name when it is 1 to 13 characters
// from a-z, 1-5 and '.', otherwise the line is skipped. A UTF-8 byte order mark at the very start
// is not part of the first line. Bytes that are not valid UTF-8 as a whole give the empty list.
// Names that can never equal a token are not kept: those ending in '.', and 13-character names
// whose last character lies beyond 'j' (the chain's encoding has no room for them). A line longer
// than max_line_bytes is skipped whole, remark and all, yet still checked as UTF-8: the builder
// never holds more than max_line_bytes of a line, whatever the file holds.
class PriorRugListBuilder {
 public:
  // Bytes of a line before its LF (a CR included). A name with white space around it and a short
  // remark fit many times over.
  static constexpr std::size_t max_line_bytes = 256;

  // The next piece of the file. Throws only std::bad_alloc.
  void take(std::string_view piece);
  // The list of everything taken. Throws only std::bad_alloc.
  PriorRugList finish();

 private:
  void take_line(std::string_view line);
  void skip(std::string_view bytes);
  void end_skipped_line();
  void discard_all();

  std::vector<std::uint64_t> codes_;
  // The bytes after the last LF taken so far, at most max_line_bytes; while skipping_, only those
  // not yet checked as UTF-8.
  std::string unfinished_line_;
  bool skipping_ = false;  // the line being taken is longer than max_line_bytes
  bool at_start_ = true;   // no line taken yet: a byte order mark may open the next
  bool invalid_ = false;   // a line was not valid UTF-8: the list is empty
};

// The names in the whole text of a known_rugs.txt file; the empty list if memory runs out.
PriorRugList parse_prior_rugs(std::string_view file_bytes) noexcept;

// The list in `folder`/known_rugs.txt; empty when there is no folder, no such regular file (a
// FIFO or a device is never opened for reading: it could block start-up), the file cannot be read
// to its end, or memory runs out.
PriorRugList load_prior_rugs(const std::optional<std::filesystem::path>& folder) noexcept;

}  // namespace tarnwick

// PriorRugList: the account names of known prior rug deployers, loaded once from known_rugs.txt
// in the data folder. Loading never fails: every problem yields a smaller or empty list.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace tarnwick {

struct PriorRugList {
  std::set<std::string, std::less<>> names;  // distinct, ordered by byte comparison

  // True exactly when the list holds `account`, byte for byte.
  bool contains(std::string_view account) const { return names.find(account) != names.end(); }
};

// The names in the text of a known_rugs.txt file. Lines end at LF (a CR before it goes too);
// everything from the first '#' on a line is a comment; the rest is trimmed of Unicode White_Space;
// what remains is a name when it is 1 to 13 characters from a-z, 1-5 and '.', otherwise the line
// is skipped. A UTF-8 byte order mark at the very start is not part of the first line. Bytes that
// are not valid UTF-8 as a whole give the empty list.
PriorRugList parse_prior_rugs(std::string_view file_bytes);

// The list in `folder`/known_rugs.txt; empty when there is no folder, no such regular file, or the
// file cannot be read.
PriorRugList load_prior_rugs(const std::optional<std::filesystem::path>& folder);

}  // namespace tarnwick

// PriorRugList: the account names of known prior rug deployers, loaded once from known_rugs.txt.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace tarnwick {

struct PriorRugList {
  std::set<std::string, std::less<>> names;  // distinct, ordered by byte comparison

  // True exactly when the list holds `account`, byte for byte.
  bool contains(std::string_view account) const { return names.find(account) != names.end(); }
};

}  // namespace tarnwick

#include "assess/lookalike.h"

#include <cassert>

#include "common/symbol_code.h"

namespace tarnwick {

std::string fold_symbol_code(std::string_view code) {
  assert(is_symbol_code(code));
  // Runs go first, so that a doubled X at either end ("XXUSDC") is one X when the ends are dropped.
  std::string folded;
  for (const char c : code) {
    if (folded.empty() || folded.back() != c) folded += c;
  }
  if (folded.size() > 1 && folded.front() == 'X') folded.erase(0, 1);
  if (folded.size() > 1 && folded.back() == 'X') folded.pop_back();
  return folded;
}

bool is_lookalike(std::string_view a, std::string_view b) {
  return is_symbol_code(a) && is_symbol_code(b) && fold_symbol_code(a) == fold_symbol_code(b);
}

}  // namespace tarnwick

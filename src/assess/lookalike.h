// Lookalike symbol codes: codes a reader takes for one another at a glance. Two codes look alike
// when they fold to the same text, where folding first takes every run of one letter as a single
// letter ("XXUSDC" -> "XUSDC", "USSDC" -> "USDC"), then drops one leading and one trailing X
// ("XUSDC" -> "USDC", "USDCX" -> "USDC"). Folding never empties a code: a code of X alone folds to
// "X", so the X-only codes look like one another and like nothing else.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The folded form of a symbol code (see above); `code` must be one (checked by an assertion).
std::string fold_symbol_code(std::string_view code);

// True when `a` and `b` are both symbol codes (1 to 7 of A-Z) that fold to the same text; equal
// codes included. False whenever either is no symbol code, the empty text included.
bool is_lookalike(std::string_view a, std::string_view b);

}  // namespace tarnwick

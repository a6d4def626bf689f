// Symbol codes as the chain writes them: a code of 1 to 7 capitals ("TOK"), and a symbol with its
// precision ("4,TOK"). The one reader of both, for every reply that names a token.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The most digits after the point the chain allows in a symbol.
inline constexpr std::uint8_t max_asset_precision = 18;

// True for a symbol code: 1 to 7 characters, each A-Z.
bool is_symbol_code(std::string_view text);

// The digits after the point and the code of a symbol text "4,SYM" (precision 0 to 18, a symbol
// code); none for any other shape.
struct TokenSymbol {
  std::uint8_t precision = 0;
  std::string code;
};
std::optional<TokenSymbol> parse_token_symbol(std::string_view text);

// The code of "4,SYM" or of a bare "SYM"; none for any other shape.
std::optional<std::string> symbol_code_of(std::string_view text);

}  // namespace tarnwick

#include "common/symbol_code.h"

#include <algorithm>

#include "common/text.h"

namespace tarnwick {

bool is_symbol_code(std::string_view text) {
  return !text.empty() && text.size() <= 7 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

std::optional<TokenSymbol> parse_token_symbol(std::string_view text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const std::optional<std::uint64_t> precision = parse_uint64(text.substr(0, comma));
  const std::string_view code = text.substr(comma + 1);
  if (!precision || *precision > max_asset_precision || text.front() == '+' ||
      !is_symbol_code(code)) {
    return std::nullopt;
  }
  return TokenSymbol{.precision = static_cast<std::uint8_t>(*precision), .code = std::string(code)};
}

std::optional<std::string> symbol_code_of(std::string_view text) {
  if (const std::optional<TokenSymbol> symbol = parse_token_symbol(text)) return symbol->code;
  if (is_symbol_code(text)) return std::string(text);
  return std::nullopt;
}

}  // namespace tarnwick

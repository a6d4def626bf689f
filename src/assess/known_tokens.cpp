#include "assess/known_tokens.h"

#include <algorithm>
#include <optional>

#include "assess/lookalike.h"
#include "common/account_name.h"
#include "common/symbol_code.h"
#include "common/text.h"

namespace tarnwick {
namespace {

bool is_name_character(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '1' && c <= '5') || c == '.';
}

// The pair a line states: the name up to its first character that no name holds, then White_Space,
// then a symbol code ending the line.
std::optional<KnownToken> pair_of(std::string_view line) {
  if (!is_valid_utf8(line)) return std::nullopt;
  const std::string_view content = list_line_content(line);
  std::size_t name_end = 0;
  while (name_end < content.size() && is_name_character(content[name_end])) ++name_end;
  const std::string_view contract = content.substr(0, name_end);
  const std::string_view rest = content.substr(name_end);
  // The content ends in no White_Space, so trimming `rest` takes only what stands before the code.
  const std::string_view symbol = trim_white_space(rest);
  if (!is_account_name(contract) || symbol.size() == rest.size() || !is_symbol_code(symbol)) {
    return std::nullopt;
  }
  return KnownToken{std::string(contract), std::string(symbol)};
}

}  // namespace

std::vector<KnownToken> built_in_known_tokens() {
  return {{"eosio.token", "XPR"}, {"xtokens", "XUSDT"}, {"xtokens", "XUSDC"},  {"xtokens", "XBTC"},
          {"xtokens", "XETH"},    {"xmd.token", "XMD"}, {"loan.token", "LOAN"}};
}

std::vector<KnownToken> KnownTokens::known_for(std::string_view symbol) const {
  std::vector<KnownToken> found;
  for (const KnownToken& token : tokens) {
    if (is_lookalike(token.symbol, symbol)) found.push_back(token);
  }
  return found;
}

KnownTokens parse_known_tokens(std::string_view file_text) {
  KnownTokens known;
  constexpr std::string_view bom = "\xEF\xBB\xBF";
  if (file_text.starts_with(bom)) file_text.remove_prefix(bom.size());
  while (!file_text.empty()) {
    const std::size_t end = std::min(file_text.find('\n'), file_text.size());
    const std::optional<KnownToken> pair = pair_of(file_text.substr(0, end));
    file_text.remove_prefix(std::min(end + 1, file_text.size()));
    if (pair && std::find(known.tokens.begin(), known.tokens.end(), *pair) == known.tokens.end()) {
      known.tokens.push_back(*pair);
    }
  }
  return known;
}

}  // namespace tarnwick

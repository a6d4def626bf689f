// The network's own tokens, by token contract and symbol code, for telling a token that borrows
// one's symbol from the token itself: a list built into the program, to which a list file (one
// `contract SYMBOL` a line) may add pairs but never take any away. Symbols are compared by code,
// never by precision.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

struct KnownToken {
  std::string contract;  // a token account name (common/account_name.h)
  std::string symbol;    // a symbol code (common/symbol_code.h)

  bool operator==(const KnownToken&) const = default;
};

// XPR on eosio.token; XUSDT, XUSDC, XBTC, XETH on xtokens; XMD on xmd.token; LOAN on loan.token.
std::vector<KnownToken> built_in_known_tokens();

struct KnownTokens {
  std::vector<KnownToken> tokens = built_in_known_tokens();  // built-in first, each pair once

  // The known tokens whose code is `symbol` or looks like it (assess/lookalike.h), in list order;
  // none when `symbol` is no symbol code.
  std::vector<KnownToken> known_for(std::string_view symbol) const;
};

// The built-in list, then the pairs of a known_tokens.txt text not in it yet. Lines end at LF;
// a UTF-8 byte order mark opens the text; a line says what list_line_content (common/text.h)
// leaves of it: an account name, White_Space, a symbol code, and nothing else. Any other line
// (not valid UTF-8 included) is skipped. Never fails for any text; throws only std::bad_alloc.
KnownTokens parse_known_tokens(std::string_view file_text);

}  // namespace tarnwick

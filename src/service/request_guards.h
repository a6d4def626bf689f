// The two guards every request passes before any route is chosen, the origin guard of the routes
// that read from outside, and the fields the router reads from a request. Only the first line and
// the Host, Origin and Sec-Fetch-Site headers are ever looked at; the request is cut with plain
// text splitting, never parsed as a full HTTP message.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Method guard: true when the request bytes begin with exactly "GET " (upper case, one space).
bool method_allowed(std::string_view request);

// Host guard: true when a header line of the head (the bytes before the first CR LF CR LF, all
// of them if there is none; empty when not valid UTF-8) is named "host" in any ASCII case and
// holds "127.0.0.1:8070" or "localhost:8070" once trimmed of Unicode White_Space and ASCII
// lower-cased. Header lines are the CR LF separated pieces after the request line; a line
// without ':' is skipped; a foreign Host line does not stop the search.
bool host_allowed(std::string_view request);

// Origin guard, for the routes that read from outside the machine: false when a header line (cut
// as for host_allowed, names in any ASCII case, values trimmed and ASCII lower-cased) shows that a
// browser sent the request for a page of another site: a Sec-Fetch-Site of "cross-site" or
// "same-site", or an Origin other than "http://127.0.0.1:8070" and "http://localhost:8070".
// Requests with neither header (bots, command-line clients) and the cockpit's own same-origin
// requests pass. A request whose head does not end (CR LF CR LF) inside the bytes read passes only
// with a Sec-Fetch-Site of "same-origin" or "none": the lines that tell may lie beyond the read.
bool origin_allowed(std::string_view request);

// The second space-separated piece of the first line (the bytes before the first CR or LF,
// empty when not valid UTF-8); "/" when there is no second piece. Two spaces after the method
// give the empty target.
std::string request_target(std::string_view request);

// The target before its first '?'; the whole target when it has none.
std::string_view request_path(std::string_view target);

// The value of the first query piece of the request target (request_target) whose key is
// exactly `key`, if it is a token account name (is_account_name). The query is the text between
// the first '?' of the target and the next '?' (or the end); pieces are split at '&', a key ends
// at the piece's first '='. The value is taken verbatim: no percent-decoding, no case folding, no
// trimming. None when there is no query, no such key, or the first such value is not a name.
std::optional<std::string> token_param(std::string_view target, std::string_view key);

// The `symbol` query value of a request target, found as token_param finds its key: `none` when
// there is no such piece or its value is empty (`symbol=`), `given` with the code when the value is
// 1 to 7 capitals A-Z, `invalid` for any other value (a route answers 400 before any read).
struct SymbolParam {
  enum class Kind { none, given, invalid };
  Kind kind = Kind::none;
  std::string symbol;  // set only for `given`
};
SymbolParam symbol_param(std::string_view target);

}  // namespace tarnwick

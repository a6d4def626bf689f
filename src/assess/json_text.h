// The one escaper for strings in the service's own JSON output.
//
// Tab and line feed become \t and \n, a double quote \" and a backslash \\; carriage return and
// every other character below U+0020 are dropped; everything else, U+007F and all non-ASCII
// included, passes through as it is. No \u escape is ever written and the slash is not escaped.
// Works on bytes: the bytes it changes never occur inside a multi-byte UTF-8 sequence, so valid
// UTF-8 is handled character by character, and stray bytes of 0x80 and above pass unchanged.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

void append_json_escaped(std::string& out, std::string_view text);
void append_json_quoted(std::string& out, std::string_view text);

std::string json_escape(std::string_view text);
// A double quote, the escaped text, a double quote.
std::string json_quote(std::string_view text);

}  // namespace tarnwick

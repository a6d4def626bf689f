// The three renderings of a verdict: the framed alert report (shown by the cockpit), the /scan
// JSON bodies and the /oracle line for trading bots; each has its own form for no data. The token
// is written as the request carried it. The JSON is written from fixed templates, members in fixed
// order, no white space outside strings, its strings passed through the one escaper below.
#pragma once

#include <string>
#include <string_view>

#include "assess/verdict.h"

namespace tarnwick {

// The product's version label, printed in the start-up banner and in the alert report header.
inline constexpr std::string_view version_label = "v0.1.0";
inline constexpr std::string_view network_label = "XPR-MAINNET-L1";

// The answer, shared by the scan JSON and the oracle line, for a token whose account cannot be
// read.
inline constexpr std::string_view no_data_message =
    "couldn't read this token from the XPR network (it may not exist, or the network is "
    "unreachable) \u2014 no verdict; don't trade blind";

// The report for `token` (inserted verbatim) and `verdict`: one line per item, each ending in a
// line feed, reasons for set bits 0 to 6 in bit order, the note only when unverified.
std::string alert_report(std::string_view token, const Verdict& verdict);

// ---- /scan: one line of JSON each, no line feed.

inline constexpr std::string_view scan_missing_token_body = "{\"error\":\"missing token\"}";

// {"token":..,"level":..,"severity":..,"hazard":..,"unverified":..,"block":..,"alert":..}
std::string scan_json(std::string_view token, const Verdict& verdict);

// {"token":..,"error":<the no-data message>}
std::string scan_error_json(std::string_view token);

// ---- /oracle: one plain-text line whose bracketed first word is the gate.

inline constexpr std::string_view oracle_missing_token_body = "missing token";

// "[TAG] token LEVEL sev=N haz=0bBBBBBBBB" plus " (unverified)" when unverified; no line feed.
// TAG is OK, WARN or HALT by level.
std::string oracle_line(std::string_view token, const Verdict& verdict);

// "[WARN] token NO_DATA <the no-data message>" and exactly one line feed.
std::string oracle_no_data_line(std::string_view token);

// ---- The one escaper for strings in the service's own JSON output.
//
// Tab and line feed become \t and \n, a double quote \" and a backslash \\; carriage return and
// every other character below U+0020 are dropped; everything else, U+007F and all non-ASCII
// included, passes through as it is. No \u escape is ever written and the slash is not escaped.
// Works on bytes: the bytes it changes never occur inside a multi-byte UTF-8 sequence, so valid
// UTF-8 is handled character by character, and stray bytes of 0x80 and above pass unchanged.
void append_json_escaped(std::string& out, std::string_view text);
// A double quote, the escaped text, a double quote.
void append_json_quoted(std::string& out, std::string_view text);

}  // namespace tarnwick

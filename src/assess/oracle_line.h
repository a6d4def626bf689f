// The /oracle bodies for trading bots: one plain-text line whose bracketed first word is the gate.
// The token is written as the request carried it.
#pragma once

#include <string>
#include <string_view>

#include "assess/verdict.h"

namespace tarnwick {

inline constexpr std::string_view oracle_missing_token_body = "missing token";

// "[TAG] token LEVEL sev=N haz=0bBBBBBBBB" plus " (unverified)" when unverified; no line feed.
// TAG is OK, WARN or HALT by level.
std::string oracle_line(std::string_view token, const Verdict& verdict);

// "[WARN] token NO_DATA <the no-data message>" and exactly one line feed.
std::string oracle_no_data_line(std::string_view token);

}  // namespace tarnwick

// The /scan bodies: the scan object of a verdict, the no-data error object, the missing-token body.
// One line of JSON each, members in fixed order, no white space outside strings, no line feed.
#pragma once

#include <string>
#include <string_view>

#include "assess/verdict.h"

namespace tarnwick {

inline constexpr std::string_view scan_missing_token_body = "{\"error\":\"missing token\"}";

// {"token":..,"level":..,"severity":..,"hazard":..,"unverified":..,"block":..,"alert":..}
std::string scan_json(std::string_view token, const Verdict& verdict);

// {"token":..,"error":<the no-data message>}
std::string scan_error_json(std::string_view token);

}  // namespace tarnwick

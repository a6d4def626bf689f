// The alert: the framed, human-readable text of a verdict, shown by the cockpit.
#pragma once

#include <string>
#include <string_view>

#include "assess/verdict.h"

namespace tarnwick {

inline constexpr std::string_view network_label = "XPR-MAINNET-L1";

// The report for `token` (inserted verbatim) and `verdict`: one line per item, each ending in a
// line feed, reasons for set bits 0 to 6 in bit order, the note only when unverified.
std::string alert_report(std::string_view token, const Verdict& verdict);

}  // namespace tarnwick

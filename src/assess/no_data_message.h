// The answer, shared by the scan JSON and the oracle line, for a token whose account cannot be
// read.
#pragma once

#include <string_view>

namespace tarnwick {

inline constexpr std::string_view no_data_message =
    "couldn't read this token from the XPR network (it may not exist, or the network is "
    "unreachable) \u2014 no verdict; don't trade blind";

}  // namespace tarnwick

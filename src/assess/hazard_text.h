// Text forms of a hazard word shared by the alert report and the oracle line.
#pragma once

#include <string>
#include <string_view>

#include "assess/hazard_bits.h"

namespace tarnwick {

// The reason text of condition bit `bit` (0 to 6); empty for bit 7 and above, which have none.
std::string_view hazard_reason(unsigned bit);

// Appends the low eight bits of `bits` as exactly eight binary digits, bit 7 first.
// Bits 8 to 15 are never set by a scan and are not shown.
void append_hazard_binary(std::string& out, HazardBits bits);

}  // namespace tarnwick

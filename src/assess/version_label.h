// The product's version label, printed in the start-up banner and in the alert report header.
#pragma once

#include <string_view>

namespace tarnwick {

inline constexpr std::string_view version_label = "v0.1.0";

}  // namespace tarnwick

// The cockpit: one self-contained HTML page (index.html beside this header), embedded into the
// program at build time and served unchanged for "/" and "/index.html".
#pragma once

#include <string_view>

namespace tarnwick {

std::string_view cockpit_page();

}  // namespace tarnwick

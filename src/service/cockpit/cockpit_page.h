// The cockpit: one self-contained HTML page, assembled at build time from the markup (page.html
// beside this header) and the style sheet and scripts it places inline, embedded into the program
// and served unchanged for "/" and "/index.html".
#pragma once

#include <string_view>

namespace tarnwick {

std::string_view cockpit_page();

}  // namespace tarnwick

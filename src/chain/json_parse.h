// The one JSON parse for outside text (chain replies, the update manifest). It never throws, and
// it refuses any text holding a NUL byte: the JSON library would otherwise stop reading at the
// NUL and accept the prefix before it.
#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

namespace tarnwick {

// The parsed document, or a discarded value (is_discarded()) when `text` is not one whole JSON
// document.
nlohmann::json parse_json(std::string_view text);

}  // namespace tarnwick

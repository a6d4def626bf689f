// Test-only: the JSON parse the program used before JsonReader, on nlohmann/json, kept as the
// oracle that reader is compared with. It never throws, and it refuses two kinds of text the JSON
// library would otherwise take: text holding a NUL byte (the library stops reading at the NUL and
// accepts the prefix before it), and documents nested deeper than max_json_depth (a 10 MiB reply
// of brackets would cost hundreds of MiB as a tree).
#pragma once

#include <cstddef>
#include <string_view>

#include <nlohmann/json.hpp>

namespace tarnwick {

// Far beyond any reply of the API node or the manifest (they nest a handful of levels).
inline constexpr std::size_t max_json_depth = 128;

// The parsed document, or a discarded value (is_discarded()) when `text` is not one whole JSON
// document within the limits above.
nlohmann::json parse_json(std::string_view text);

}  // namespace tarnwick

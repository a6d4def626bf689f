#include "chain/json_parse.h"

namespace tarnwick {

nlohmann::json parse_json(std::string_view text) {
  if (text.find('\0') != std::string_view::npos)
    return nlohmann::json(nlohmann::json::value_t::discarded);
  return nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
}

}  // namespace tarnwick

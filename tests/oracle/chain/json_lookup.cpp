#include "chain/json_lookup.h"

#include <string>

namespace tarnwick {

const Json* member(const Json* value, std::string_view name) {
  if (value == nullptr || !value->is_object()) return nullptr;
  const auto& object = value->get_ref<const Json::object_t&>();
  const auto found = object.find(name);
  return found == object.end() ? nullptr : &found->second;
}

std::optional<std::string_view> text(const Json* value) {
  if (value == nullptr || !value->is_string()) return std::nullopt;
  return std::string_view(value->get_ref<const std::string&>());
}

std::string_view text_or_empty(const Json* value) {
  return text(value).value_or(std::string_view());
}

std::span<const Json> elements(const Json* value) {
  if (value == nullptr || !value->is_array()) return {};
  const auto& array = value->get_ref<const Json::array_t&>();
  return {array.data(), array.size()};
}

std::optional<std::uint64_t> whole_number(const Json* value) {
  if (value == nullptr || !value->is_number_unsigned()) return std::nullopt;
  return value->get<std::uint64_t>();
}

}  // namespace tarnwick

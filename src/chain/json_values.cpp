#include "chain/json_values.h"

#include <charconv>

namespace tarnwick {
namespace {

using simdjson::SUCCESS;

// The number's own text: a raw token runs up to the next structural character, so it may carry
// the white space that follows the number.
std::string_view number_token(simdjson::ondemand::value& value) {
  const std::string_view token = value.raw_json_token();
  const std::size_t end = token.find_last_not_of(" \t\n\r");
  return token.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

// The integer `token` spells, when it fits T; none otherwise.
template <class T>
std::optional<T> integer(std::string_view token) {
  T value{};
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (error != std::errc() || end != token.data() + token.size()) return std::nullopt;
  return value;
}

std::optional<JsonNumber> number(simdjson::dom::element element) {
  switch (element.type()) {
    case simdjson::dom::element_type::INT64: {
      // The tape keeps integers up to 2^63-1 signed; those of them written without a minus sign
      // are unsigned. (-0 never reaches the tape: JsonReader walks texts that may hold it.)
      const std::int64_t integer = element.get_int64().value_unsafe();
      if (integer < 0) return integer;
      return static_cast<std::uint64_t>(integer);
    }
    case simdjson::dom::element_type::UINT64: return element.get_uint64().value_unsafe();
    case simdjson::dom::element_type::DOUBLE: return element.get_double().value_unsafe();
    default: return std::nullopt;
  }
}

std::optional<JsonNumber> number(simdjson::ondemand::value& value) {
  simdjson::ondemand::json_type type{};
  if (value.type().get(type) != SUCCESS) return std::nullopt;
  if (type != simdjson::ondemand::json_type::number) return std::nullopt;
  const std::string_view token = number_token(value);
  if (!token.empty() && token.find_first_of(".eE") == std::string_view::npos) {
    if (token.front() == '-') {
      if (const auto negative = integer<std::int64_t>(token)) return *negative;
    } else if (const auto whole = integer<std::uint64_t>(token)) {
      return *whole;
    }
  }
  double fraction = 0;
  if (value.get_double().get(fraction) != SUCCESS) return std::nullopt;
  return fraction;
}

}  // namespace

std::optional<std::string_view> text(JsonValue& value) {
  std::string_view content;
  if (value.tape != nullptr) {
    if (value.tape->get_string().get(content) != SUCCESS) return std::nullopt;
    return content;
  }
  // A walked value of another kind is refused without being consumed.
  if (value.walked->get_string().get(content) != SUCCESS) return std::nullopt;
  return content;
}

std::string_view text_or_empty(JsonValue& value) {
  return text(value).value_or(std::string_view());
}

std::optional<JsonNumber> number(JsonValue& value) {
  if (value.tape != nullptr) return number(*value.tape);
  return number(*value.walked);
}

std::optional<std::uint64_t> whole_number(JsonValue& value) {
  const std::optional<JsonNumber> held = number(value);
  if (!held) return std::nullopt;
  if (const auto* whole = std::get_if<std::uint64_t>(&*held)) return *whole;
  return std::nullopt;
}

}  // namespace tarnwick

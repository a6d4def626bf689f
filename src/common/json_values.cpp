#include "common/json_values.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tarnwick {
namespace {

using simdjson::SUCCESS;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// True when `token` is a number by JSON's grammar: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool is_json_number(std::string_view token) {
  std::size_t at = 0;
  const auto next_is = [&](std::string_view any_of) {
    return at < token.size() && any_of.find(token[at]) != std::string_view::npos;
  };
  const auto digits = [&] {
    const std::size_t start = at;
    while (at < token.size() && is_digit(token[at])) ++at;
    return at > start;
  };
  if (next_is("-")) ++at;
  if (next_is("0")) {
    ++at;
  } else if (!digits()) {
    return false;
  }
  if (next_is(".")) {
    ++at;
    if (!digits()) return false;
  }
  if (next_is("eE")) {
    ++at;
    if (next_is("+-")) ++at;
    if (!digits()) return false;
  }
  return at == token.size();
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
  return parse_json_number(value.raw_json_token());
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

std::optional<JsonNumber> parse_json_number(std::string_view token) {
  const std::size_t end = token.find_last_not_of(" \t\n\r");
  token = token.substr(0, end == std::string_view::npos ? 0 : end + 1);
  if (!is_json_number(token)) return std::nullopt;
  if (token.find_first_of(".eE") == std::string_view::npos) {
    if (token.front() == '-') {
      if (const auto negative = integer<std::int64_t>(token)) return *negative;
    } else if (const auto whole = integer<std::uint64_t>(token)) {
      return *whole;
    }
  }
  // Fractions, exponents and integers beyond 64 bits: the nearest double, of a token of any
  // length (the program never changes the C locale, so the decimal point is '.').
  const double nearest = std::strtod(std::string(token).c_str(), nullptr);
  if (!std::isfinite(nearest)) return std::nullopt;
  return nearest;
}

std::optional<std::uint64_t> whole_number(JsonValue& value) {
  const std::optional<JsonNumber> held = number(value);
  if (!held) return std::nullopt;
  if (const auto* whole = std::get_if<std::uint64_t>(&*held)) return *whole;
  return std::nullopt;
}

}  // namespace tarnwick

// The writer of the service's JSON answers beyond the fixed templates of renderings.h (/evidence,
// /liquidity, /sell): one line appended to a string, no white space outside strings. Objects and
// arrays are scopes: each writes its opening bracket where it is made and its closing bracket when
// it ends, and places the commas between its own members or items, so no caller counts a brace or
// a comma. Every text, keys included, goes through append_json_escaped, the one escaper of the
// service's JSON. A value is a text, a boolean, an integer (any width, either sign), a double (its
// shortest form that reads back; null unless finite), a range of values (an array), a variant of
// values, or an optional value: null when empty, as std::nullopt and std::monostate are. While a
// scope made from another is open, write only to the inner one.
#pragma once

#include <cstdint>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "assess/renderings.h"
#include "assess/token_amounts.h"

namespace tarnwick {

// Appends one value, as a member or an item does.
template <class Value>
void append_json_value(std::string& out, const Value& value);

// A text in which empty means not known: the text, or none (written null) when it is empty.
constexpr std::optional<std::string_view> nonempty(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return text;
}

class JsonArray;

class JsonObject {
 public:
  // Opens an object at the end of `out`: a whole answer, or a value already placed there.
  explicit JsonObject(std::string& out);
  ~JsonObject();
  JsonObject(const JsonObject&) = delete;
  JsonObject& operator=(const JsonObject&) = delete;

  // "key":value
  template <class Value>
  void member(std::string_view key, const Value& value) {
    open_member(key);
    append_json_value(out_, value);
  }
  // "key":{...} and "key":[...], open until the returned scope ends.
  [[nodiscard]] JsonObject object(std::string_view key);
  [[nodiscard]] JsonArray array(std::string_view key);

 private:
  void open_member(std::string_view key);

  std::string& out_;
  bool empty_ = true;
};

class JsonArray {
 public:
  // Opens an array at the end of `out`: a value already placed there.
  explicit JsonArray(std::string& out);
  ~JsonArray();
  JsonArray(const JsonArray&) = delete;
  JsonArray& operator=(const JsonArray&) = delete;

  template <class Value>
  void item(const Value& value) {
    open_item();
    append_json_value(out_, value);
  }
  // {...} and [...] as the next item, open until the returned scope ends.
  [[nodiscard]] JsonObject object();
  [[nodiscard]] JsonArray array();

 private:
  void open_item();

  std::string& out_;
  bool empty_ = true;
};

// The pieces of append_json_value.
void append_json_integer(std::string& out, Uint128 value);
void append_json_integer(std::string& out, std::int64_t value);
void append_json_double(std::string& out, double value);

template <class Type>
inline constexpr bool is_json_optional = false;
template <class Type>
inline constexpr bool is_json_optional<std::optional<Type>> = true;
template <class Type>
inline constexpr bool is_json_variant = false;
template <class... Types>
inline constexpr bool is_json_variant<std::variant<Types...>> = true;

template <class Value>
void append_json_value(std::string& out, const Value& value) {
  if constexpr (std::is_same_v<Value, bool>) {
    out += value ? "true" : "false";
  } else if constexpr (std::is_same_v<Value, std::nullopt_t> ||
                       std::is_same_v<Value, std::monostate>) {
    out += "null";
  } else if constexpr (std::is_convertible_v<const Value&, std::string_view>) {
    append_json_quoted(out, value);
  } else if constexpr (std::is_same_v<Value, Uint128> || std::is_unsigned_v<Value>) {
    append_json_integer(out, Uint128{value});
  } else if constexpr (std::is_integral_v<Value>) {
    append_json_integer(out, std::int64_t{value});
  } else if constexpr (std::is_floating_point_v<Value>) {
    append_json_double(out, static_cast<double>(value));
  } else if constexpr (is_json_optional<Value>) {
    if (value) {
      append_json_value(out, *value);
    } else {
      out += "null";
    }
  } else if constexpr (is_json_variant<Value>) {
    std::visit([&out](const auto& alternative) { append_json_value(out, alternative); }, value);
  } else {
    static_assert(std::ranges::input_range<const Value>, "no JSON form for this type");
    JsonArray array(out);
    for (const auto& item : value) array.item(item);
  }
}

}  // namespace tarnwick

// The lookups by which a checked JSON document (see JsonReader) is read, in one forward pass: the
// members of an object, the elements of an array, the text of a string, the value of a number.
// Each is total: a value of another kind has no members, no elements, no text and no number, and
// nothing throws. Values are read in document order and each at most once: a value handed to a
// visitor is valid only during that call. A member named twice in an object is visited twice;
// readers keep the last one, so that it counts as the member of that name.
#pragma once

#include <simdjson.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

namespace tarnwick {

// One value of the document, as the reader hands it to a visitor: on the parser's tape (texts up
// to JsonReader::max_tape_text), or under the cursor of the walk that reads longer texts.
struct JsonValue {
  simdjson::dom::element* tape = nullptr;       // set for a value on the tape,
  simdjson::ondemand::value* walked = nullptr;  // else this one
};

// A number with its kind kept: an integer written without a minus sign that fits 64 bits unsigned,
// one written with a minus sign ("-0" too) that fits 64 bits signed, or any other number (fraction,
// exponent, an integer beyond 64 bits) as the nearest double.
using JsonNumber = std::variant<std::uint64_t, std::int64_t, double>;

// Calls visit(key, value) for each member of `object` in document order, the key unescaped.
template <class Visit>
void visit_members(simdjson::dom::object object, Visit& visit) {
  for (auto [key, member] : object) {
    JsonValue value{.tape = &member};
    visit(key, value);
  }
}

template <class Visit>
void visit_members(simdjson::ondemand::object& object, Visit& visit) {
  for (auto field : object) {
    std::string_view key;
    simdjson::ondemand::value member;
    if (field.unescaped_key().get(key) != simdjson::SUCCESS) return;
    if (field.value().get(member) != simdjson::SUCCESS) return;
    JsonValue value{.walked = &member};
    visit(key, value);
  }
}

// Calls visit(std::string_view key, JsonValue& value) for each member when `value` is an object.
template <class Visit>
void for_each_member(JsonValue& value, Visit&& visit) {
  if (value.tape != nullptr) {
    simdjson::dom::object object;
    if (value.tape->get(object) == simdjson::SUCCESS) visit_members(object, visit);
    return;
  }
  simdjson::ondemand::object object;
  if (value.walked->get_object().get(object) == simdjson::SUCCESS) visit_members(object, visit);
}

// Calls visit(JsonValue& element) for the elements in order, when `value` is an array, until it
// returns false.
template <class Visit>
void for_each_element(JsonValue& value, Visit&& visit) {
  if (value.tape != nullptr) {
    simdjson::dom::array array;
    if (value.tape->get(array) != simdjson::SUCCESS) return;
    for (simdjson::dom::element item : array) {
      JsonValue next{.tape = &item};
      if (!visit(next)) return;
    }
    return;
  }
  simdjson::ondemand::array array;
  if (value.walked->get_array().get(array) != simdjson::SUCCESS) return;
  for (auto item : array) {
    simdjson::ondemand::value walked_item;
    if (item.get(walked_item) != simdjson::SUCCESS) return;
    JsonValue next{.walked = &walked_item};
    if (!visit(next)) return;
  }
}

// The string content of `value`, unescaped; none when it is not a string. The text stays valid
// until the reader reads its next document.
std::optional<std::string_view> text(JsonValue& value);

// `value`'s text, none read as the empty text (for comparisons).
std::string_view text_or_empty(JsonValue& value);

// The number `value` holds; none when it is not a number.
std::optional<JsonNumber> number(JsonValue& value);

// The value of an integer written without a minus sign that fits 64 bits; none for anything
// else: negative integers and -0, fractions such as 1.0, strings such as "1".
std::optional<std::uint64_t> whole_number(JsonValue& value);

// The number a raw JSON token spells (white space after it allowed); none when the token is not a
// number by JSON's grammar or its value is beyond the range of a double. A value too small for a
// double is 0, whatever its exponent.
std::optional<JsonNumber> parse_json_number(std::string_view token);

}  // namespace tarnwick

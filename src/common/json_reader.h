// JsonReader: the one reader of outside JSON text (chain replies, the update manifest). It reads a
// text only when the whole of it is one JSON document, and then hands its top-level members to a
// visitor, to be read with the lookups below. Refused besides malformed text: text
// holding a NUL byte, and documents nested deeper than max_depth (brackets outside strings). A
// leading byte order mark is skipped. An integer beyond 64 bits is a number (see JsonNumber), not
// an error. Nothing throws.
//
// Memory: a text up to max_tape_text is parsed onto the library's tape (8 to 16 bytes a value,
// fast to read); a longer one, and one the tape refuses, is checked and read by walks over the
// library's index of the text (4 bytes a bracket, comma or value), with no tape. One reader serves
// the replies of one scan in turn and keeps its buffers while they are sized for at most
// max_tape_text; larger ones are given back at the next read and when the reader is dropped, and
// then, where the C library allows it, so is the free memory of the heap, which would otherwise
// keep blocks of up to 32 MiB.
//
// The lookups by which a checked JSON document (see JsonReader) is read, in one forward pass: the
// members of an object, the elements of an array, the text of a string, the value of a number.
// Each is total: a value of another kind has no members, no elements, no text and no number, and
// nothing throws. Values are read in document order and each at most once: a value handed to a
// visitor is valid only during that call. A member named twice in an object is visited twice;
// readers keep the last one, so that it counts as the member of that name.
#pragma once

#include <simdjson.h>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "common/text.h"

namespace tarnwick {

// Whether the member name `key` is `name`, a literal. Inlined to a length check and a compare of
// a few bytes: std::string_view's == calls out to compare() and memcmp, which cost more than the
// rest of reading a row whose member names are each compared with every name a reader wants.
template <std::size_t size>
bool is_key(std::string_view key, const char (&name)[size]) {
  return key.size() == size - 1 && std::memcmp(key.data(), name, size - 1) == 0;
}

// One value of the document, as the reader hands it to a visitor: on the parser's tape (texts up
// to JsonReader::max_tape_text), or under the cursor of the walk that reads longer texts.
struct JsonValue {
  simdjson::dom::element* tape = nullptr;       // set for a value on the tape,
  simdjson::ondemand::value* walked = nullptr;  // else this one
};

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
  if (value.walked == nullptr) {
    assert(false && "a value holds a tape element or a walked one");
    return;
  }
  simdjson::ondemand::object object;
  if (value.walked->get_object().get(object) == simdjson::SUCCESS) visit_members(object, visit);
}

// Calls visit(JsonValue& element) for the elements in order, when `value` is an array, until it
// returns false. True when `value` is an array (even an empty one).
template <class Visit>
bool for_each_element(JsonValue& value, Visit&& visit) {
  if (value.tape != nullptr) {
    simdjson::dom::array array;
    if (value.tape->get(array) != simdjson::SUCCESS) return false;
    for (simdjson::dom::element item : array) {
      JsonValue next{.tape = &item};
      if (!visit(next)) return true;
    }
    return true;
  }
  if (value.walked == nullptr) {
    assert(false && "a value holds a tape element or a walked one");
    return false;
  }
  simdjson::ondemand::array array;
  if (value.walked->get_array().get(array) != simdjson::SUCCESS) return false;
  for (auto item : array) {
    simdjson::ondemand::value walked_item;
    if (item.get(walked_item) != simdjson::SUCCESS) return true;
    JsonValue next{.walked = &walked_item};
    if (!visit(next)) return true;
  }
  return true;
}

// What a reader made of a list in a reply: whether it is an array, and how many of the elements
// looked at it read and could not. An element that cannot be read is counted, never dropped, so
// a reply never passes for a shorter list than it holds: the list is read whole only when no
// element was unread, and what stands on an unread one says so.
struct ElementsRead {
  bool listed = false;  // the value is an array (even an empty one)
  std::size_t read = 0;
  std::size_t unread = 0;

  bool whole() const { return listed && unread == 0; }
};

// Calls read(JsonValue& element), which tells whether it could read the element, for the
// elements of `value` in order, up to `limit` of them (at least the first).
template <class Read>
ElementsRead read_elements(JsonValue& value, std::size_t limit, Read&& read) {
  ElementsRead elements;
  elements.listed = for_each_element(value, [&](JsonValue& element) {
    ++(read(element) ? elements.read : elements.unread);
    return elements.read + elements.unread < limit;
  });
  return elements;
}

// The string content of `value`, unescaped; none when it is not a string. The text stays valid
// until the reader reads its next document.
std::optional<std::string_view> text(JsonValue& value);

// `value`'s text, none read as the empty text (for comparisons).
std::string_view text_or_empty(JsonValue& value);

// The text of the last member of `object` named `key` (the member that counts, as for every
// reader); empty when there is none or it is not a string. Reads every member of `object`.
std::string_view text_member(JsonValue& object, std::string_view key);

// The number `value` holds, read as parse_json_number (common/text.h) reads it, kind kept (see
// JsonNumber there: "-0" is a signed integer); none when it is not a number.
std::optional<JsonNumber> number(JsonValue& value);

// The value of an integer written without a minus sign that fits 64 bits; none for anything
// else: negative integers and -0, fractions such as 1.0, strings such as "1".
std::optional<std::uint64_t> whole_number(JsonValue& value);

// The value of a JSON true or false; none for any other kind (1 and 0 included).
std::optional<bool> boolean(JsonValue& value);

// True when `value` is JSON null.
bool is_null(JsonValue& value);

// True when `value` is a JSON object (then its members may be read as well).
bool is_object(JsonValue& value);

// A table reply's `more`: false only for false and "" (a reply without the member has no more
// rows either); any other value (true, a number, a text such as the next key some nodes send
// there, null) says rows go on, since only a reply that positively ends the table ends it.
bool more_flag(JsonValue& value);

class JsonReader {
 public:
  // Far beyond any reply of the API node or the manifest (they nest a handful of levels).
  static constexpr std::size_t max_depth = 128;
  static constexpr std::size_t max_tape_text = std::size_t{1} << 20;

  // `tape_limit`: the longest text parsed onto the tape. Tests pass 0 to have every text walked.
  explicit JsonReader(std::size_t tape_limit = max_tape_text);
  ~JsonReader();
  JsonReader(const JsonReader&) = delete;  // the document points into the reader's own parser
  JsonReader& operator=(const JsonReader&) = delete;

  // When `text` is one whole JSON document within the limits above, calls visit(JsonValue& value)
  // with its top-level value, of whatever kind, and returns true; otherwise returns false without
  // calling visit.
  template <class Visit>
  bool read_document(std::string_view text, Visit&& visit) {
    switch (open(text)) {
      case Layout::tape: {
        JsonValue top{.tape = &tape_top_};
        visit(top);
        return true;
      }
      case Layout::walk: {
        simdjson::ondemand::value walked;
        if (document_.get_value().get(walked) != simdjson::SUCCESS) return true;
        JsonValue top{.walked = &walked};
        visit(top);
        return true;
      }
      case Layout::not_json: return false;
    }
    return false;
  }

  // When `text` is one whole JSON document within the limits above, calls
  // visit(std::string_view key, JsonValue& value) for each member of its top-level object in
  // document order (a top level of another kind has none) and returns true; otherwise returns
  // false without calling visit. Texts read stay valid until the next read.
  template <class Visit>
  bool read_members(std::string_view text, Visit&& visit) {
    switch (open(text)) {
      case Layout::tape: {
        simdjson::dom::object top;
        if (tape_top_.get(top) == simdjson::SUCCESS) visit_members(top, visit);
        return true;
      }
      case Layout::walk: {
        simdjson::ondemand::object top;
        if (document_.get_object().get(top) == simdjson::SUCCESS) visit_members(top, visit);
        return true;
      }
      case Layout::not_json: return false;
    }
    return false;
  }

 private:
  enum class Layout { not_json, tape, walk };

  // Checks `text` whole and makes it ready to read on the tape or by a walk from its start.
  Layout open(std::string_view text);
  void give_back_large_buffers();

  std::size_t tape_limit_;
  std::string padded_;  // the text, with the parser's padding in its spare capacity
  simdjson::dom::parser tape_parser_;
  simdjson::dom::element tape_top_;
  simdjson::ondemand::parser walk_parser_;
  simdjson::ondemand::document document_;
};

}  // namespace tarnwick

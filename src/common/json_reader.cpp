#include "common/json_reader.h"

#include <algorithm>
#include <string>

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace tarnwick {
namespace {

using simdjson::SUCCESS;

// The number a raw token spells; the token runs on over the white space after it.
std::optional<JsonNumber> token_number(std::string_view token) {
  const std::size_t end = token.find_last_not_of(" \t\n\r");
  return parse_json_number(token.substr(0, end == std::string_view::npos ? 0 : end + 1));
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
  return token_number(value.raw_json_token());
}

using simdjson::ondemand::json_type;

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

// True when `value`, lying inside `depth` containers, is well-formed JSON through and through,
// with no container deeper than the limit. Reads every value once (strings and keys unescaped,
// numbers converted), so the document must be rewound before it is read again.
bool well_formed(simdjson::ondemand::value& value, std::size_t depth) {
  json_type type{};
  if (value.type().get(type) != SUCCESS) return false;
  switch (type) {
    case json_type::array: {
      simdjson::ondemand::array array;
      if (depth == JsonReader::max_depth || value.get_array().get(array) != SUCCESS) return false;
      for (auto element : array) {
        simdjson::ondemand::value item;
        if (element.get(item) != SUCCESS || !well_formed(item, depth + 1)) return false;
      }
      return true;
    }
    case json_type::object: {
      simdjson::ondemand::object object;
      if (depth == JsonReader::max_depth || value.get_object().get(object) != SUCCESS) return false;
      for (auto field : object) {
        std::string_view key;
        simdjson::ondemand::value member;
        if (field.unescaped_key().get(key) != SUCCESS || field.value().get(member) != SUCCESS ||
            !well_formed(member, depth + 1)) {
          return false;
        }
      }
      return true;
    }
    case json_type::string: {
      std::string_view content;
      return value.get_string().get(content) == SUCCESS;
    }
    case json_type::number: {
      // Any number the grammar allows whose value is finite, integers beyond 64 bits included.
      JsonValue walked{.walked = &value};
      return number(walked).has_value();
    }
    case json_type::boolean: {
      bool boolean = false;
      return value.get_bool().get(boolean) == SUCCESS;
    }
    case json_type::null: {
      bool is_null = false;
      return value.is_null().get(is_null) == SUCCESS && is_null;
    }
    // A kind the library reports for text that is no JSON value (newer releases name it).
    default: return false;
  }
}

// True when the document, whose text is `text`, is one well-formed value with nothing after it.
bool well_formed(simdjson::ondemand::document& document, std::string_view text) {
  json_type type{};
  if (document.type().get(type) != SUCCESS) return false;
  if (type == json_type::array || type == json_type::object) {
    simdjson::ondemand::value top;
    return document.get_value().get(top) == SUCCESS && well_formed(top, 0) &&
           document.current_location().error() == simdjson::OUT_OF_BOUNDS;
  }
  // A top-level scalar is the only token: its raw text (white space after it included) runs to
  // the end of the text.
  std::string_view token;
  if (document.raw_json_token().get(token) != SUCCESS ||
      token.data() + token.size() != text.data() + text.size()) {
    return false;
  }
  switch (type) {
    case json_type::string: {
      std::string_view content;
      return document.get_string().get(content) == SUCCESS;
    }
    case json_type::number: return token_number(token).has_value();
    case json_type::boolean: {
      bool boolean = false;
      return document.get_bool().get(boolean) == SUCCESS;
    }
    case json_type::null: {
      bool is_null = false;
      return document.is_null().get(is_null) == SUCCESS && is_null;
    }
    default: return false;
  }
}

// Hands the heap's free memory back to the system where the C library offers a way: glibc keeps
// freed blocks below its mmap threshold, which it raises itself up to 32 MiB, in the heap.
void return_free_heap() {
#if defined(M_TRIM_THRESHOLD)
  malloc_trim(0);
#endif
}

// True when `text` may hold the number -0 (the bytes "-0" then a delimiter or the end). The tape
// stores -0 as the integer 0 (simdjson 3.0.1 does), losing the minus sign that tells it from 0:
// number() would give it the unsigned kind and whole_number() would take it for 0, where -0 is a
// signed integer and no whole number. A walk reads the token itself.
bool may_hold_negative_zero(std::string_view text) {
  constexpr std::string_view after_number = " \t\n\r,]}";
  for (std::size_t at = text.find("-0"); at != std::string_view::npos;
       at = text.find("-0", at + 2)) {
    if (at + 2 == text.size() || after_number.find(text[at + 2]) != std::string_view::npos) {
      return true;
    }
  }
  return false;
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

std::string_view text_member(JsonValue& object, std::string_view key) {
  std::string_view found;
  for_each_member(object, [&](std::string_view name, JsonValue& value) {
    if (name == key) found = text_or_empty(value);
  });
  return found;
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

std::optional<bool> boolean(JsonValue& value) {
  bool held = false;
  if (value.tape != nullptr) {
    if (value.tape->get_bool().get(held) != simdjson::SUCCESS) return std::nullopt;
    return held;
  }
  if (value.walked->get_bool().get(held) != simdjson::SUCCESS) return std::nullopt;
  return held;
}

bool is_null(JsonValue& value) {
  if (value.tape != nullptr) return value.tape->is_null();
  simdjson::ondemand::json_type type{};
  return value.walked != nullptr && value.walked->type().get(type) == SUCCESS &&
         type == simdjson::ondemand::json_type::null;
}

bool is_object(JsonValue& value) {
  if (value.tape != nullptr) return value.tape->is_object();
  simdjson::ondemand::json_type type{};
  return value.walked != nullptr && value.walked->type().get(type) == SUCCESS &&
         type == simdjson::ondemand::json_type::object;
}

bool more_flag(JsonValue& value) {
  if (const std::optional<bool> flag = boolean(value)) return *flag;
  const std::optional<std::string_view> next = text(value);
  return !next || !next->empty();
}

JsonReader::JsonReader(std::size_t tape_limit) : tape_limit_(tape_limit) {}

JsonReader::~JsonReader() { give_back_large_buffers(); }

JsonReader::Layout JsonReader::open(std::string_view text) {
  give_back_large_buffers();
  if (text.find('\0') != std::string_view::npos) return Layout::not_json;
  if (text.starts_with(byte_order_mark)) text.remove_prefix(byte_order_mark.size());
  padded_.reserve(text.size() + simdjson::SIMDJSON_PADDING);
  padded_.assign(text);

  if (text.size() <= tape_limit_ && !may_hold_negative_zero(text)) {
    // The depth limit is set with the capacity; the parser would otherwise pick its own.
    const std::size_t capacity = std::max<std::size_t>(text.size(), 64);
    if (tape_parser_.capacity() < capacity || tape_parser_.max_depth() != max_depth) {
      if (tape_parser_.allocate(capacity, max_depth) != SUCCESS) return Layout::not_json;
    }
    const simdjson::error_code error =
        tape_parser_.parse(padded_.data(), padded_.size(), /*realloc_if_needed=*/false)
            .get(tape_top_);
    if (error == SUCCESS) return Layout::tape;
    // The tape also refuses texts this reader takes (integers beyond 64 bits, exponents beyond
    // the library's range), and under error codes that differ between the library's versions
    // and processor kernels; so the walk decides every text the tape refuses.
  }
  if (walk_parser_.iterate(padded_.data(), padded_.size(), padded_.capacity()).get(document_) !=
      SUCCESS) {
    return Layout::not_json;
  }
  if (!well_formed(document_, padded_)) return Layout::not_json;
  document_.rewind();
  return Layout::walk;
}

void JsonReader::give_back_large_buffers() {
  bool dropped = false;
  if (padded_.capacity() > max_tape_text + simdjson::SIMDJSON_PADDING) {
    std::string().swap(padded_);
    dropped = true;
  }
  if (walk_parser_.capacity() > max_tape_text) {
    walk_parser_ = simdjson::ondemand::parser();
    dropped = true;
  }
  if (tape_parser_.capacity() > max_tape_text) {
    tape_parser_ = simdjson::dom::parser();
    dropped = true;
  }
  if (dropped) return_free_heap();
}

}  // namespace tarnwick

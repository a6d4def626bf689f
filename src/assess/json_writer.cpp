#include "assess/json_writer.h"

#include <charconv>
#include <cmath>
#include <iterator>

namespace tarnwick {

JsonObject::JsonObject(std::string& out) : out_(out) { out_ += '{'; }

JsonObject::~JsonObject() { out_ += '}'; }

void JsonObject::open_member(std::string_view key) {
  if (!empty_) out_ += ',';
  empty_ = false;
  append_json_quoted(out_, key);
  out_ += ':';
}

JsonObject JsonObject::object(std::string_view key) {
  open_member(key);
  return JsonObject(out_);
}

JsonArray JsonObject::array(std::string_view key) {
  open_member(key);
  return JsonArray(out_);
}

JsonArray::JsonArray(std::string& out) : out_(out) { out_ += '['; }

JsonArray::~JsonArray() { out_ += ']'; }

void JsonArray::open_item() {
  if (!empty_) out_ += ',';
  empty_ = false;
}

JsonObject JsonArray::object() {
  open_item();
  return JsonObject(out_);
}

JsonArray JsonArray::array() {
  open_item();
  return JsonArray(out_);
}

void append_json_integer(std::string& out, Uint128 value) { append_decimal128(out, value); }

void append_json_integer(std::string& out, std::int64_t value) {
  if (value < 0) out += '-';
  // The magnitude taken in unsigned arithmetic, so the most negative value has one too.
  const std::uint64_t magnitude = static_cast<std::uint64_t>(value);
  append_decimal128(out, value < 0 ? 0 - magnitude : magnitude);
}

void append_json_double(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";  // JSON has no infinity and no NaN
    return;
  }
  char digits[32];
  const auto written = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(std::begin(digits), written.ptr);
}

}  // namespace tarnwick

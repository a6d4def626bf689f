// JsonReader: the one reader of outside JSON text (chain replies, the update manifest). It reads a
// text only when the whole of it is one JSON document, and then hands its top-level members to a
// visitor, to be read with the lookups of json_values.h. Refused besides malformed text: text
// holding a NUL byte, and documents nested deeper than max_depth (brackets outside strings). A
// leading byte order mark is skipped. An integer beyond 64 bits is a number (see JsonNumber), not
// an error. Nothing throws.
//
// Memory: a text up to max_tape_text is parsed onto the library's tape (8 to 16 bytes a value,
// fast to read); a longer one is checked and read by walks over the library's index of the text
// (4 bytes a bracket, comma or value), with no tape. One reader serves the replies of one scan in
// turn and keeps its buffers while they are sized for at most max_tape_text; larger ones are given
// back at the next read and when the reader is dropped, and then, where the C library allows it,
// so is the free memory of the heap, which would otherwise keep blocks of up to 32 MiB.
#pragma once

#include <simdjson.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "common/json_values.h"

namespace tarnwick {

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

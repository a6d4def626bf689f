// Why a fact, a venue or a symbol is not read: a closed code, for the code that decides by it, and
// the short text an answer shows. Callers branch on the code, never on the text; the texts are
// the answers' own and stay as they are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

enum class ReasonCode : std::uint8_t {
  read,                  // nothing is missing: the text is empty
  read_failed,           // no reply arrived from any node
  not_json,              // the reply is not one JSON document
  shape_not_recognised,  // the reply lacks a member the fact rests on, or holds it in another form
  row_not_recognised,    // a row of a table holds a field in another form
  over_budget,           // not read: the route's bound on reads or time was reached first
  absent_at_node,        // the node does not serve it (no index, no route, not indexed yet)
  not_held,              // the contract holds no such symbol
  not_chosen,            // no symbol is chosen (several, none, or the list unread)
  input_unread,          // a read it rests on is unavailable
  disagreement,          // two sources disagree (the history index and the chain)
  not_asked,             // this route does not read it
};

struct Reason {
  ReasonCode code = ReasonCode::read;
  std::string text;  // empty exactly when `code` is read

  bool empty() const { return code == ReasonCode::read; }
};

// The reason `code` (not `read`) with its text.
inline Reason reason(ReasonCode code, std::string_view text) {
  return Reason{code, std::string(text)};
}

}  // namespace tarnwick

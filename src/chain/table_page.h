// One page of a table as get_table_rows gives it: its `rows`, whether the table goes on (`more`)
// and where (`next_key`), read with one row reader. A reply that is not JSON, whose `rows` is not
// an array, or with a row the row reader cannot read, is no page: its reason says which.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "assess/evidence.h"
#include "assess/reason.h"
#include "assess/token_amounts.h"
#include "common/json_reader.h"

namespace tarnwick {

inline constexpr std::string_view row_shape_not_recognised = "row shape not recognised";

// A page of a table: the rows kept, how many rows the page held, whether the table goes on and
// where (`next_key`, the bound of the next page), or why the page cannot be read.
template <class Row>
struct RowsPage {
  std::vector<Row> rows;
  std::size_t rows_seen = 0;
  bool more = false;
  std::string next_key;
  Reason why;  // "reply not JSON", "reply without rows", row_shape_not_recognised
};

// Reads `rows` with read_row(row, kept), which returns false for a row it cannot read; the first
// such row ends the page as unrecognised. `more` is read by more_flag, and `next_key` is taken as
// text or as a number.
template <class Row, class ReadRow>
RowsPage<Row> read_page(JsonReader& reader, std::string_view reply, ReadRow read_row) {
  RowsPage<Row> page;
  bool has_rows = false;
  bool recognised = true;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "more")) page.more = more_flag(value);
    if (is_key(key, "next_key")) {
      if (const std::optional<std::string_view> next = text(value)) {
        page.next_key = std::string(*next);
      } else if (const std::optional<std::uint64_t> whole = whole_number(value)) {
        page.next_key.clear();
        append_decimal128(page.next_key, *whole);
      }
    }
    if (!is_key(key, "rows")) return;
    recognised = true;
    page.rows.clear();
    page.rows_seen = 0;
    // A `rows` that is no array (null, an object, a text) is no answer: never an empty table.
    has_rows = for_each_element(value, [&](JsonValue& row) {
      ++page.rows_seen;
      recognised = read_row(row, page.rows);
      return recognised;
    });
  });
  if (!json) {
    page.why = reason(ReasonCode::not_json, reply_not_json);
  } else if (!has_rows) {
    page.why = reason(ReasonCode::shape_not_recognised, "reply without rows");
  } else if (!recognised) {
    page.why = reason(ReasonCode::row_not_recognised, row_shape_not_recognised);
  }
  if (!page.why.empty()) page.rows.clear();
  return page;
}

}  // namespace tarnwick

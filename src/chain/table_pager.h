// TablePages: a table read page by page as one read of a plan, following the node's next_key
// (lower_bound forward, upper_bound newest first) up to its page bound, keeping every row it
// reads (a row a node sends twice, by key, once). How the reading ended says what its rows are
// worth: not needed (never read); whole; capped by the bound, by the time left or by a node's next
// key that cannot be followed; or unavailable, when a read fails or a page cannot be read. Rows of
// a cut reading are kept: they were read, but the table may hold more.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "assess/reason.h"
#include "chain/chain_requests.h"
#include "chain/read_plan.h"
#include "chain/table_page.h"

namespace tarnwick {

struct PageQuery {
  std::string_view code;
  std::string scope;
  std::string_view table;
  std::string lower;
  std::string upper;
  bool reverse = false;
};

struct PageBound {
  std::uint32_t rows = 0;   // rows asked for per page
  std::uint32_t pages = 0;  // pages read at most
};

enum class PagesEnd { going, not_needed, whole, capped, unavailable };

template <class Row>
struct TablePages {
  PageQuery query;
  PageBound bound;
  std::string_view what;  // the table as a reason names it ("pools", "positions")
  std::vector<Row> rows;
  std::uint32_t pages_read = 0;
  PagesEnd end = PagesEnd::going;
  Reason why;  // set when capped or unavailable
  std::vector<std::string> bounds_used{};
  std::vector<std::uint64_t> keys{};  // of the rows kept, sorted, when the table has a key
};

// Reads the table of `first` as a read of `plan` that needs `needs`. `query(plan)` gives the
// first page's query once the needs have ended, or none when the table is not needed (it is then
// kept as not going and never read). `read_rows` reads a page; `enough(rows)`, when given, says
// the rows so far are all that is wanted (the table then counts as whole). `key(row)`, when
// given, drops a row whose key a kept row has.
template <class Row>
struct PagerSteps {
  std::function<std::optional<PageQuery>()> query;
  std::function<RowsPage<Row>(JsonReader&, std::string_view)> read_rows;
  std::function<bool(const std::vector<Row>&)> enough{};
  std::function<std::uint64_t(const Row&)> key{};
};

namespace pager_detail {

template <class Row>
void take_page(JsonReader& reader, TablePages<Row>& pages, const PagerSteps<Row>& steps,
               const Reading& reading) {
  const auto stop = [&](PagesEnd end, const Reason& why) {
    pages.end = end;
    pages.why = why;
  };
  if (reading.why.code == ReasonCode::over_budget) return stop(PagesEnd::capped, reading.why);
  if (!reading.reply) {
    return stop(PagesEnd::unavailable,
                reason(reading.why.code, std::string(pages.what) + ": " + reading.why.text));
  }
  ++pages.pages_read;
  RowsPage<Row> page = steps.read_rows(reader, *reading.reply);
  if (!page.why.empty()) {
    return stop(PagesEnd::unavailable,
                page.why.code == ReasonCode::row_not_recognised
                    ? page.why
                    : reason(page.why.code, std::string(pages.what) + ": " + page.why.text));
  }
  for (Row& row : page.rows) {
    if (steps.key) {
      // The keys kept, sorted: a row whose key is among them was sent twice.
      const std::uint64_t key = steps.key(row);
      const auto at = std::lower_bound(pages.keys.begin(), pages.keys.end(), key);
      if (at != pages.keys.end() && *at == key) continue;
      pages.keys.insert(at, key);
    }
    pages.rows.push_back(std::move(row));
  }
  if ((steps.enough && steps.enough(pages.rows)) || !page.more) {
    pages.end = PagesEnd::whole;
    return;
  }
  if (page.next_key.empty()) {
    return stop(PagesEnd::capped,
                reason(ReasonCode::shape_not_recognised, "the node gave no next key"));
  }
  std::string& next_bound = pages.query.reverse ? pages.query.upper : pages.query.lower;
  pages.bounds_used.push_back(next_bound);
  if (std::find(pages.bounds_used.begin(), pages.bounds_used.end(), page.next_key) !=
      pages.bounds_used.end()) {
    return stop(PagesEnd::capped,
                reason(ReasonCode::shape_not_recognised, "the node repeated a next key"));
  }
  next_bound = page.next_key;
  if (pages.pages_read == pages.bound.pages) {
    stop(PagesEnd::capped, reason(ReasonCode::over_budget, "page limit reached"));
  }
}

}  // namespace pager_detail

// Adds the pager to `plan`; `what` names the table in reasons.
template <class Row>
PlanRead<TablePages<Row>> add_pages(ReadPlan& plan, std::vector<PlanIndex> needs,
                                    std::string_view what, PageBound bound, PagerSteps<Row> steps) {
  TablePages<Row> pages;
  pages.what = what;
  pages.bound = bound;
  return plan.add(
      std::move(needs), bound.pages, std::move(pages),
      [steps, started = false](JsonReader&,
                               TablePages<Row>& kept) mutable -> std::optional<ChainRequest> {
        if (!started) {
          started = true;
          std::optional<PageQuery> first = steps.query();
          if (!first) {
            kept.end = PagesEnd::not_needed;
            return std::nullopt;
          }
          kept.query = std::move(*first);
          if (kept.bound.pages == 0) {
            kept.end = PagesEnd::capped;
            kept.why = reason(ReasonCode::over_budget, "page limit reached");
          }
        }
        if (kept.end != PagesEnd::going) return std::nullopt;
        const PageQuery& query = kept.query;
        return table_rows_request(table_page_body(query.code, query.scope, query.table, query.lower,
                                                  query.upper, kept.bound.rows, query.reverse));
      },
      [steps](JsonReader& reader, TablePages<Row>& kept, Reading&& reading) {
        pager_detail::take_page(reader, kept, steps, reading);
      });
}

}  // namespace tarnwick

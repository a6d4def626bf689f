#include "chain/token_liquidity.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "chain/chain_info_reply.h"
#include "chain/chain_requests.h"
#include "chain/pool_tables.h"
#include "chain/read_session.h"
#include "chain/token_symbol.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

LiquidityVenue named_venue(std::string_view name) {
  LiquidityVenue venue;
  venue.venue = std::string(name);
  return venue;
}

// The status that tells least of the two wins: unavailable over capped over read.
void mark(LiquidityVenue& venue, VenueStatus status, Reason why) {
  if (static_cast<int>(status) <= static_cast<int>(venue.status)) return;
  venue.status = status;
  venue.why = std::move(why);
}

struct PageQuery {
  std::string_view code;
  std::string scope;
  std::string_view table;
  std::string lower;
  std::string upper;
  bool reverse = false;
};

// How one page read ended, as a pager's reader tells it.
struct PageEnd {
  Reason why;  // the page could not be read
  bool more = false;
  std::string next_key;
  bool wants_more = true;  // false: the reader has what it needs
};

// A table read page by page, one page a round beside the other tables of its round. Its venue is
// marked capped when the bound stops it, unavailable when a read fails or a page cannot be read
// (`what` naming the table). A node that names as the next page a bound this table already used
// would have it read the same rows again: the venue is capped there instead.
struct Pager {
  Pager(LiquidityVenue* venue_read, int venue_rank, PageQuery first_page, PageBound page_bound,
        std::string_view table, std::function<PageEnd(std::string_view)> reader)
      : venue(venue_read),
        rank(venue_rank),
        query(std::move(first_page)),
        bound(page_bound),
        what(table),
        take(std::move(reader)) {}

  LiquidityVenue* venue;
  int rank;  // the venue's place in the fixed order: its pages are asked in that order
  PageQuery query;
  PageBound bound;
  std::string_view what;
  std::function<PageEnd(std::string_view reply)> take;  // reads a page and keeps its rows
  std::uint32_t pages_read = 0;
  std::vector<std::string> bounds_used;
  bool going = true;
  bool whole = false;  // read to its end, or its reader had what it needed
};

// `read_page` as a pager's reader: the page's rows go to `keep`, which returns false when it has
// what it needs.
template <class Row, class ReadPage, class Keep>
std::function<PageEnd(std::string_view)> page_reader(ReadPage read_page, Keep keep) {
  return [read_page, keep](std::string_view reply) mutable {
    const RowsPage<Row> page = read_page(reply);
    if (!page.why.empty()) return PageEnd{page.why, false, {}, false};
    const bool wants_more = keep(page);
    return PageEnd{{}, page.more, page.next_key, wants_more};
  };
}

// Reads `pagers` together, a round at a time: each round asks the next page of every table still
// going, venues in their fixed order (`rank`, then the order the tables were added), until none
// is. After each round `start_ready(pagers)` may add the tables whose inputs are now known.
template <class StartReady>
void read_pages(ReadSession& session, std::vector<std::unique_ptr<Pager>>& pagers,
                StartReady start_ready) {
  for (;;) {
    // A table that goes on beyond its page bound stops here, before what waits for it starts.
    for (const std::unique_ptr<Pager>& pager : pagers) {
      if (pager->going && pager->pages_read == pager->bound.pages) {
        mark(*pager->venue, VenueStatus::capped,
             reason(ReasonCode::over_budget, "page limit reached"));
        pager->going = false;
      }
    }
    start_ready(pagers);
    std::vector<Pager*> asking;
    for (const std::unique_ptr<Pager>& pager : pagers) {
      if (pager->going) asking.push_back(pager.get());
    }
    if (asking.empty()) return;
    std::stable_sort(asking.begin(), asking.end(),
                     [](const Pager* a, const Pager* b) { return a->rank < b->rank; });
    std::vector<ChainRequest> requests;
    for (const Pager* pager : asking) {
      const PageQuery& query = pager->query;
      requests.push_back(
          table_rows_request(table_page_body(query.code, query.scope, query.table, query.lower,
                                             query.upper, pager->bound.rows, query.reverse)));
    }
    const std::vector<Reading> readings = session.read(requests);
    for (std::size_t i = 0; i < asking.size(); ++i) {
      Pager& pager = *asking[i];
      LiquidityVenue& venue = *pager.venue;
      const Reading& reading = readings[i];
      pager.going = false;
      if (reading.why.code == ReasonCode::over_budget) {
        mark(venue, VenueStatus::capped, reading.why);
        continue;
      }
      if (!reading.reply) {
        mark(venue, VenueStatus::unavailable,
             reason(reading.why.code, std::string(pager.what) + ": " + reading.why.text));
        continue;
      }
      ++pager.pages_read;
      const PageEnd end = pager.take(*reading.reply);
      if (!end.why.empty()) {
        mark(venue, VenueStatus::unavailable,
             end.why.code == ReasonCode::row_not_recognised
                 ? end.why
                 : reason(end.why.code, std::string(pager.what) + ": " + end.why.text));
        continue;
      }
      if (!end.wants_more || !end.more) {
        pager.whole = true;
        continue;
      }
      if (end.next_key.empty()) {
        mark(venue, VenueStatus::capped,
             reason(ReasonCode::shape_not_recognised, "the node gave no next key"));
        continue;
      }
      std::string& next_bound = pager.query.reverse ? pager.query.upper : pager.query.lower;
      pager.bounds_used.push_back(next_bound);
      if (std::find(pager.bounds_used.begin(), pager.bounds_used.end(), end.next_key) !=
          pager.bounds_used.end()) {
        mark(venue, VenueStatus::capped,
             reason(ReasonCode::shape_not_recognised, "the node repeated a next key"));
        continue;
      }
      next_bound = end.next_key;
      pager.going = true;
    }
  }
}

// The key of a row of a table read by pages (the AMM pools, the positions).
std::uint64_t row_key(const LiquidityPool& pool) { return pool.id; }
std::uint64_t row_key(const AlcorPoolRow& row) { return row.pool.id; }
std::uint64_t row_key(const PositionRow& row) { return row.id; }

// Appends `make(row)` for each row of a page whose key no row kept already has: a row a node
// sends twice is counted once.
template <class Row, class Kept, class Make>
void append_new(std::vector<Kept>& kept, const std::vector<Row>& rows, Make make) {
  for (const Row& row : rows) {
    const bool known = std::any_of(kept.begin(), kept.end(),
                                   [&](const Kept& held) { return row_key(held) == row_key(row); });
    if (!known) kept.push_back(make(row));
  }
}

const auto as_is = [](const auto& row) { return row; };

std::string decimal(std::uint64_t value) {
  std::string out;
  append_decimal128(out, value);
  return out;
}

// The symbol: the market row (when none is requested) and the contract's symbols, read together.
SymbolChoice resolve_symbol(ReadSession& session, std::string_view token,
                            const std::optional<std::string>& requested) {
  const std::vector<Reading> read =
      session.read(symbol_choice_requests(token, requested.has_value()));
  return symbol_choice_of(session.reader(), read, token, requested);
}

struct AlcorPool {
  AlcorPoolRow row;
  std::vector<PositionRow> positions;
  bool positions_whole = false;
};

std::uint64_t row_key(const AlcorPool& pool) { return pool.row.pool.id; }

bool burned_owner(std::string_view owner) {
  return std::find(std::begin(burn_accounts), std::end(burn_accounts), owner) !=
         std::end(burn_accounts);
}

// The reads of one answer, each started as soon as what it needs is known: every venue's first
// page together, then each table's further pages; the positions of each Alcor pool of the token
// once that venue's pools are read; the SimpleDEX pool a graduated launch went to, when the
// SimpleDEX pages missed it, once both are read; the locks of the positions once all are read;
// then the head block time when a lock was found.
class Venues {
 public:
  Venues(ReadSession& session, const ScanContext& context, const LiquiditySettings& settings,
         std::string_view token, std::string_view symbol)
      : session_(session), context_(context), settings_(settings), token_(token), symbol_(symbol) {}

  std::vector<LiquidityVenue> read() {
    std::vector<std::unique_ptr<Pager>> pagers;
    add_venue_pages(pagers);
    read_pages(session_, pagers,
               [this](std::vector<std::unique_ptr<Pager>>& all) { start_ready(all); });
    read_head_block_time();
    finish_alcor();
    std::vector<LiquidityVenue> out;
    out.push_back(std::move(swaps_));
    out.push_back(std::move(dex_));
    out.push_back(std::move(launch_));
    out.push_back(std::move(alcor_));
    return out;
  }

 private:
  enum Rank { swaps_rank, dex_rank, launch_rank, alcor_rank };

  JsonReader& reader() { return session_.reader(); }

  void add_venue_pages(std::vector<std::unique_ptr<Pager>>& pagers) {
    pagers.push_back(std::make_unique<Pager>(
        &swaps_, swaps_rank, PageQuery{"proton.swaps", "proton.swaps", "pools", "", "", false},
        PageBound{settings_.swaps_rows, 1}, "pools",
        page_reader<LiquidityPool>(
            [this](std::string_view reply) {
              return proton_swaps_page(reader(), reply, token_, symbol_);
            },
            [this](const RowsPage<LiquidityPool>& page) {
              swaps_.pools.insert(swaps_.pools.end(), page.rows.begin(), page.rows.end());
              return true;
            })));
    pagers.push_back(std::make_unique<Pager>(
        &dex_, dex_rank, PageQuery{"simpledex", "simpledex", "pools", "", "", false},
        settings_.dex_pools, "pools",
        page_reader<LiquidityPool>(
            [this](std::string_view reply) {
              return simpledex_page(reader(), reply, token_, symbol_, dex_ids_);
            },
            [this](const RowsPage<LiquidityPool>& page) {
              append_new(dex_.pools, page.rows, as_is);
              return true;
            })));
    dex_pages_ = pagers.back().get();
    if (token_ == launch_token_contract) {
      pagers.push_back(std::make_unique<Pager>(
          &launch_, launch_rank, PageQuery{"simplelaunch", "simplelaunch", "curves", "", "", true},
          settings_.curves, "curves",
          page_reader<CurveRow>(
              [this](std::string_view reply) { return curves_page(reader(), reply, symbol_); },
              [this](const RowsPage<CurveRow>& page) {
                if (!page.rows.empty()) curve_ = page.rows.front();
                return !curve_;
              })));
      curve_pages_ = pagers.back().get();
    }
    pagers.push_back(std::make_unique<Pager>(
        &alcor_, alcor_rank, PageQuery{"swap.alcor", "swap.alcor", "pools", "", "", true},
        settings_.alcor_pools, "pools",
        page_reader<AlcorPoolRow>(
            [this](std::string_view reply) {
              return alcor_pools_page(reader(), reply, token_, symbol_);
            },
            [this](const RowsPage<AlcorPoolRow>& page) {
              append_new(alcor_pools_, page.rows, [](const AlcorPoolRow& row) {
                return AlcorPool{.row = row, .positions = {}, .positions_whole = false};
              });
              return true;
            })));
    alcor_pages_ = pagers.back().get();
  }

  // Adds the tables whose inputs the rounds so far have read.
  void start_ready(std::vector<std::unique_ptr<Pager>>& pagers) {
    const bool curves_done = curve_pages_ == nullptr || !curve_pages_->going;
    if (!launch_decided_ && !dex_pages_->going && curves_done) {
      launch_decided_ = true;
      read_launch();
      add_graduated_pool(pagers);
    }
    if (!positions_started_ && !alcor_pages_->going) {
      positions_started_ = true;
      // Pools that could not be read leave nothing to look into.
      alcor_pools_read_ = alcor_.status != VenueStatus::unavailable;
      if (alcor_pools_read_ && settings_.read_shares) add_positions(pagers);
    }
    const bool positions_done =
        positions_started_ && std::none_of(position_pages_.begin(), position_pages_.end(),
                                           [](const Pager* pager) { return pager->going; });
    if (!locks_started_ && positions_done) {
      locks_started_ = true;
      for (std::size_t i = 0; i < position_pages_.size(); ++i) {
        alcor_pools_[i].positions_whole = position_pages_[i]->whole;
      }
      add_locks(pagers);
    }
  }

  // The graduated launch's pool, read alone when the SimpleDEX pages missed it (they were cut
  // short).
  void add_graduated_pool(std::vector<std::unique_ptr<Pager>>& pagers) {
    const std::optional<LaunchCurve>& launch = launch_.launch;
    if (!launch || !launch->graduated || dex_.status == VenueStatus::read ||
        std::find(dex_ids_.begin(), dex_ids_.end(), launch->dex_pool_id) != dex_ids_.end()) {
      return;
    }
    const std::uint64_t pool_id = launch->dex_pool_id;
    const std::string bound = decimal(pool_id);
    pagers.push_back(std::make_unique<Pager>(
        &dex_, dex_rank, PageQuery{"simpledex", "simpledex", "pools", bound, bound, false},
        PageBound{1, 1}, "graduated pool",
        page_reader<LiquidityPool>(
            [this](std::string_view reply) {
              return simpledex_page(reader(), reply, token_, symbol_, dex_ids_);
            },
            [this, pool_id](const RowsPage<LiquidityPool>& page) {
              for (const LiquidityPool& pool : page.rows) {
                if (pool.id == pool_id) dex_.pools.push_back(pool);
              }
              return false;  // one row asked for: a `more` after it is not this pool
            })));
  }

  void add_positions(std::vector<std::unique_ptr<Pager>>& pagers) {
    for (AlcorPool& pool : alcor_pools_) {
      pagers.push_back(std::make_unique<Pager>(
          &alcor_, alcor_rank,
          PageQuery{"swap.alcor", decimal(pool.row.pool.id), "positions", "", "", false},
          settings_.positions, "positions",
          page_reader<PositionRow>(
              [this](std::string_view reply) { return positions_page(reader(), reply); },
              [&pool](const RowsPage<PositionRow>& page) {
                append_new(pool.positions, page.rows, as_is);
                return true;
              })));
      position_pages_.push_back(pagers.back().get());
    }
  }

  void add_locks(std::vector<std::unique_ptr<Pager>>& pagers) {
    std::optional<std::uint64_t> lowest;
    std::optional<std::uint64_t> highest;
    for (const AlcorPool& pool : alcor_pools_) {
      for (const PositionRow& position : pool.positions) {
        lowest = std::min(lowest.value_or(position.id), position.id);
        highest = std::max(highest.value_or(position.id), position.id);
      }
    }
    if (!lowest) return;
    pagers.push_back(std::make_unique<Pager>(
        &alcor_, alcor_rank,
        PageQuery{"swap.alcor", "swap.alcor", "locks", decimal(*lowest), decimal(*highest), false},
        settings_.locks, "locks",
        page_reader<LockRow>([this](std::string_view reply) { return locks_page(reader(), reply); },
                             [this](const RowsPage<LockRow>& page) {
                               for (const LockRow& lock : page.rows) {
                                 const auto [at, added] =
                                     unlocks_.emplace(lock.position, lock.unlock);
                                 if (!added) at->second = std::max(at->second, lock.unlock);
                               }
                               return true;
                             })));
    lock_pages_ = pagers.back().get();
  }

  // The launch's curve (newest first, the first of the symbol). Before graduation the curve
  // holds the launch's liquidity; after it, the SimpleDEX pool it graduated to does.
  void read_launch() {
    if (!curve_) return;
    LaunchCurve& launch = launch_.launch.emplace(curve_->launch);
    launch.creator_listed = context_.prior_rugs.contains(launch.creator);
    if (launch.graduated) return;
    LiquidityPool pool;
    pool.id = launch.id;
    pool.token.contract = std::string(token_);
    pool.token.symbol = std::string(symbol_);
    pool.pair = PoolSide{
        .contract = "eosio.token", .symbol = "XPR", .precision = 4, .units = curve_->real_xpr};
    pool.active = true;
    pool.when_empty = share_curve;
    launch_.pools.push_back(std::move(pool));
  }

  void read_head_block_time() {
    if (unlocks_.empty()) return;
    const Reading info = session_.read(info_request());
    if (info.why.code == ReasonCode::over_budget) {
      mark(alcor_, VenueStatus::capped, info.why);
      return;
    }
    head_ = info.reply ? head_block_seconds(reader(), *info.reply) : std::nullopt;
    if (!head_) {
      mark(alcor_, VenueStatus::unavailable,
           reason(info.reply ? ReasonCode::shape_not_recognised : info.why.code,
                  "get_info: no head block time"));
    }
  }

  void finish_alcor() {
    if (!alcor_pools_read_) return;
    const bool locks_whole = lock_pages_ == nullptr || lock_pages_->whole;
    const PositionLocks locks{.unlocks = unlocks_, .whole = locks_whole, .head = head_};
    for (AlcorPool& pool : alcor_pools_) {
      std::vector<Position> positions;
      for (const PositionRow& row : pool.positions) {
        positions.push_back(Position{.id = row.id,
                                     .burned = burned_owner(row.owner),
                                     .tick_lower = row.tick_lower,
                                     .tick_upper = row.tick_upper,
                                     .liquidity = row.liquidity});
      }
      add_position_shares(pool.row.pool, positions, pool.row.sqrt_price_x64,
                          pool.row.pool.token_is_a, pool.positions_whole, locks);
      alcor_.pools.push_back(std::move(pool.row.pool));
    }
  }

  ReadSession& session_;
  const ScanContext& context_;
  const LiquiditySettings& settings_;
  std::string_view token_;
  std::string_view symbol_;
  LiquidityVenue swaps_ = named_venue("proton.swaps");
  LiquidityVenue dex_ = named_venue("simpledex");
  LiquidityVenue launch_ = named_venue("simplelaunch");
  LiquidityVenue alcor_ = named_venue("swap.alcor");
  std::vector<std::uint64_t> dex_ids_;  // of every SimpleDEX row read
  std::optional<CurveRow> curve_;
  std::vector<AlcorPool> alcor_pools_;
  std::map<std::uint64_t, std::int64_t> unlocks_;  // the latest unlock time of each position
  std::optional<std::int64_t> head_;
  // The tables read by pages, once added; and what has been started.
  Pager* dex_pages_ = nullptr;
  Pager* curve_pages_ = nullptr;
  Pager* alcor_pages_ = nullptr;
  std::vector<Pager*> position_pages_;
  Pager* lock_pages_ = nullptr;
  bool launch_decided_ = false;
  bool positions_started_ = false;
  bool alcor_pools_read_ = false;
  bool locks_started_ = false;
};

}  // namespace

LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested) {
  JsonReader reader;
  return gather_liquidity(settings, context, token, requested, reader);
}

LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested, JsonReader& reader) {
  ReadSession session(context.client, reader, liquidity_budget(settings));
  return gather_liquidity(settings, context, token, requested, session);
}

LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested,
                                 ReadSession& session) {
  LiquidityReport report;
  report.token = std::string(token);
  const SymbolChoice choice = resolve_symbol(session, token, requested);
  report.symbol = choice.symbol;
  report.symbol_why = choice.why;
  report.symbols = choice.symbols;
  report.symbols_more = choice.more;
  report.shared = choice.shared;
  if (!choice.shared) {
    report.shared_counted_as =
        choice.symbol ? shared_unknown_pools_of_symbol : shared_unknown_no_venue;
  }
  if (!choice.symbol) {
    for (const std::string_view venue : venue_contracts) {
      LiquidityVenue& unread = report.venues.emplace_back(named_venue(venue));
      unread.status = VenueStatus::unavailable;
      unread.why = choice.why;
    }
    report.reads = session.reads();
    return report;
  }
  report.venues = read_venues(settings, context, token, *choice.symbol, session);
  report.reads = session.reads();
  return report;
}

std::vector<LiquidityVenue> read_venues(const LiquiditySettings& settings,
                                        const ScanContext& context, std::string_view token,
                                        std::string_view symbol, ReadSession& session) {
  return Venues(session, context, settings, token, symbol).read();
}

ReadBudget liquidity_budget(const LiquiditySettings& settings) {
  return {settings.max_reads, settings.total_time};
}

}  // namespace tarnwick

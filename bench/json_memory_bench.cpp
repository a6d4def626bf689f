// Memory of reading chain replies, with the program's JsonReader and with the nlohmann/json tree
// it replaced (tests/oracle), in one run:
//   - peak resident growth while reading hostile 10 MiB replies (flat empty objects, deep
//     nesting, a flat array of zeros), and the anonymous memory still held once the reply and
//     the reader are dropped; each reading in a child process of its own, so peaks do not mix;
//   - the same for the readers behind /evidence, each on a 10 MiB reply shaped for it (many
//     holders, many actions, many stat scopes, many permissions);
//   - heap allocations made while reading the four replies of one scan, and in one whole scan
//     over a read session on a transport in memory (counted by replacing the global operator new
//     in this program).
// Peaks and anonymous memory come from /proc/self (Linux); elsewhere they are not printed.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assess/token_amounts.h"
#include "chain/account_reply.h"
#include "chain/code_hash_reply.h"
#include "chain/creator_reply.h"
#include "chain/currency_stats_reply.h"
#include "chain/history_reply.h"
#include "chain/market_reply.h"
#include "chain/read_session.h"
#include "chain/reputation_reply.h"
#include "chain/scan_token.h"
#include "chain/scan_values.h"
#include "chain/stat_scopes_reply.h"
#include "chain/top_holders_reply.h"
#include "chain/xpr_replies.h"
#include "common/calendar.h"
#include "common/https_client.h"
#include "common/json_reader.h"
#include "oracle_reads.h"

namespace {

std::atomic<std::size_t> allocations{0};

// A field of /proc/self/status in KiB; none where there is no such file.
std::optional<long> status_kib(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with(field) && line.size() > field.size() && line[field.size()] == ':') {
      return std::atol(line.c_str() + field.size() + 1);
    }
  }
  return std::nullopt;
}

// Makes VmHWM start again from the current resident size.
void reset_peak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// A reply of about `size` bytes, grown in 16 KiB pieces as the chain client receives one.
std::string hostile_reply(std::string_view head, std::string_view unit, std::string_view tail,
                          std::size_t size) {
  std::string piece;
  while (piece.size() + unit.size() <= 16384) piece += unit;
  std::string reply(head);
  while (reply.size() + piece.size() + tail.size() <= size) reply += piece;
  while (reply.size() + unit.size() + tail.size() <= size) reply += unit;
  return reply += tail;
}

struct Shape {
  const char* name;
  std::function<std::string()> make;
  // How the reply is read with a JsonReader; empty: for the market depth.
  std::function<void(tarnwick::JsonReader&, const std::string&)> read = {};
};

// In a child process: build the reply, read it for the market depth with a JsonReader (when
// `with_reader`, dropped last, as in a scan) or the nlohmann tree, drop both; print the peak growth
// during the read and the anonymous memory kept afterwards.
void measure(const Shape& shape, bool with_reader) {
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child != 0) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return;
  }
  const auto anon_before = status_kib("RssAnon");
  std::optional<long> peak;
  std::optional<long> resident;
  {
    std::optional<tarnwick::JsonReader> reader;
    if (with_reader) reader.emplace();
    const std::string reply = shape.make();
    reset_peak();
    resident = status_kib("VmRSS");
    if (reader && shape.read) {
      shape.read(*reader, reply);
    } else if (reader) {
      static_cast<void>(tarnwick::liquidity_depth(*reader, reply, "tok"));
    } else {
      static_cast<void>(tarnwick::oracle::liquidity_depth(reply, "tok"));
    }
    peak = status_kib("VmHWM");
  }
  const auto anon_after = status_kib("RssAnon");
  if (peak && resident && anon_before && anon_after) {
    std::printf("  %-21s %-14s peak growth %6.1f MiB, kept afterwards %6.1f MiB\n", shape.name,
                with_reader ? "JsonReader" : "nlohmann tree",
                static_cast<double>(*peak - *resident) / 1024,
                static_cast<double>(*anon_after - *anon_before) / 1024);
  }
  std::fflush(stdout);
  std::_Exit(0);
}

struct ScanReplies {
  std::string account = tarnwick::test::benign_account_json("tok", "2024-01-15T10:30:00.000");
  std::string markets;
  std::string reputation =
      tarnwick::test::rows_json({tarnwick::test::agentscore_json("tok", "350")});
};

// The reads scan_token makes of its four parsed replies, on `reader` (verdict_outcome's views).
void read_scan(tarnwick::JsonReader& reader, const ScanReplies& replies) {
  static_cast<void>(tarnwick::owner_privileged(reader, replies.account));
  static_cast<void>(tarnwick::liquidity_depth(reader, replies.markets, "tok"));
  static_cast<void>(tarnwick::account_age_days(reader, replies.account, 1'717'000'000));
  static_cast<void>(tarnwick::reputation_score(reader, replies.reputation));
}

// The node of a whole scan in memory: each read answered at once with a copy of its reply (the
// allocation a real transport makes receiving it, counted apart), one read open at a time.
class ScanNode final : public tarnwick::Transport {
 public:
  explicit ScanNode(const ScanReplies& replies) : replies_(replies) {}

  tarnwick::ReadId start(tarnwick::ChainRequest request) const override {
    const bool account = request.path == "/v1/chain/get_account";
    const bool reputation = request.body && request.body->find("agentscores") != std::string::npos;
    const bool markets = request.body && !reputation;
    // The history reply is not read for a scan: any reply will do.
    reply_ = account ? &replies_.account : markets ? &replies_.markets : &replies_.reputation;
    open_ = next_id_;
    return next_id_++;
  }
  std::optional<tarnwick::Delivered> next() const override {
    if (!open_) return std::nullopt;
    const std::size_t before = allocations.load();
    tarnwick::Delivered done{*open_, tarnwick::Reply{*reply_, std::string()}};
    replies_copied += allocations.load() - before;
    open_.reset();
    return done;
  }
  std::string node_in_use() const override { return {}; }
  std::chrono::steady_clock::time_point now() const override { return {}; }
  bool reads_pending() const override { return open_.has_value(); }

  mutable std::size_t replies_copied = 0;  // allocations of the replies' copies

 private:
  const ScanReplies& replies_;
  mutable const std::string* reply_ = nullptr;
  mutable std::optional<tarnwick::ReadId> open_;
  mutable tarnwick::ReadId next_id_ = 0;
};

void read_scan_old(const ScanReplies& replies) {
  static_cast<void>(tarnwick::oracle::owner_privileged(replies.account));
  static_cast<void>(tarnwick::oracle::liquidity_depth(replies.markets, "tok"));
  static_cast<void>(tarnwick::oracle::created_text(replies.account));
  static_cast<void>(tarnwick::oracle::reputation_value(replies.reputation));
}

std::size_t count_allocations(const std::function<void()>& work) {
  const std::size_t before = allocations.load();
  work();
  return allocations.load() - before;
}

}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

int main() {
  static const std::size_t size = tarnwick::ClientSettings{}.body_limit;  // most a read accepts
  const Shape shapes[] = {
      {"flat empty objects", [] { return hostile_reply(R"({"rows":[{})", ",{}", "]}", size); }},
      {"deep nesting", [] { return std::string(size / 2, '[') + std::string(size / 2, ']'); }},
      {"flat array of zeros", [] { return hostile_reply("[0", ",0", "]", size); }},
  };
  std::printf("10 MiB replies (%zu bytes), read for the market depth:\n", size);
  for (const Shape& shape : shapes) {
    measure(shape, true);
    measure(shape, false);
  }

  const tarnwick::Asset supply{.units = 10'000'000, .precision = 4, .symbol = "TOK"};
  const Shape evidence_shapes[] = {
      {"many holders",
       [] {
         return hostile_reply(R"({"holders":[{"owner":"a","amount":1.5})",
                              R"(,{"owner":"a","amount":1.5})", "]}", size);
       },
       [&](tarnwick::JsonReader& reader, const std::string& reply) {
         static_cast<void>(tarnwick::holders_fact(reader, reply, supply));
       }},
      {"many actions",
       [] {
         const std::string action =
             R"({"@timestamp":"2025-06-01T11:30:00.000","act":{"account":"tok","name":"x"}})";
         return hostile_reply(R"({"actions":[)" + action, "," + action, "]}", size);
       },
       [](tarnwick::JsonReader& reader, const std::string& reply) {
         static_cast<void>(tarnwick::read_activity(reader, reply, "tok", 1'748'779'200));
       }},
      {"many stat scopes",
       [] {
         return hostile_reply(R"({"rows":[{"scope":"........dhbp4"})",
                              R"(,{"scope":"........edc5c"})", "]}", size);
       },
       [](tarnwick::JsonReader& reader, const std::string& reply) {
         static_cast<void>(tarnwick::contract_symbols(reader, reply));
       }},
      {"many permissions",
       [] {
         const std::string permission =
             R"({"perm_name":"active","required_auth":{"keys":[],"accounts":[)"
             R"({"permission":{"actor":"bob","permission":"active"}}]}})";
         return hostile_reply(R"({"permissions":[)" + permission, "," + permission, "]}", size);
       },
       [](tarnwick::JsonReader& reader, const std::string& reply) {
         static_cast<void>(tarnwick::read_account(reader, reply));
       }},
  };
  std::printf("10 MiB replies, read by the readers behind /evidence:\n");
  for (const Shape& shape : evidence_shapes) measure(shape, true);

  ScanReplies replies;
  std::vector<std::string> markets = tarnwick::test::other_markets(59);
  markets.push_back(tarnwick::test::market_row_json(60, "eosio.token", "tok"));  // walked last
  replies.markets = tarnwick::test::rows_json(markets);
  tarnwick::JsonReader kept;
  read_scan(kept, replies);  // warm: one-time set-up of the parsing library, the kept buffers
  read_scan_old(replies);
  const std::size_t per_scan = count_allocations([&] {
    tarnwick::JsonReader reader;
    read_scan(reader, replies);
  });
  const std::size_t with_kept = count_allocations([&] { read_scan(kept, replies); });
  const std::size_t old = count_allocations([&] { read_scan_old(replies); });
  const ScanNode scan_node(replies);
  const tarnwick::ScanContext context{tarnwick::ChainClient(tarnwick::ClientSettings{}),
                                      "agentfeed", 1'717'000'000, tarnwick::PriorRugList{}};
  const auto whole_scan = [&] {
    tarnwick::ReadSession session(scan_node, kept, tarnwick::scan_budget());
    if (!tarnwick::scan_token(tarnwick::scan_thresholds, context, "tok", session)) {
      std::fprintf(stderr, "the scan in memory gave no data\n");
    }
  };
  whole_scan();  // warm
  scan_node.replies_copied = 0;
  const std::size_t whole = count_allocations(whole_scan);
  std::printf("heap allocations reading one scan's replies (60 market rows, the token's last):\n");
  std::printf(
      "  JsonReader made for the scan: %zu; reader kept from an earlier scan: %zu; "
      "nlohmann tree: %zu\n",
      per_scan, with_kept, old);
  std::printf(
      "heap allocations of one whole scan over a transport in memory, reader kept: %zu, of which "
      "%zu the transport's copies of the replies; the rest the requests' paths and bodies\n",
      whole, scan_node.replies_copied);
  return 0;
}

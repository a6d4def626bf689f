// Differential fuzz target: every read the program makes of a chain reply or of the update
// manifest, done by JsonReader and by the nlohmann/json tree it replaced (tests/oracle), on the
// same bytes. Required equal on every input:
//   - owner privilege, market depth for a few token names, the "created" text, and the reputation
//     value with its kind (unsigned, signed, fraction with its sign of zero, text, other);
//   - the /update answer, byte for byte.
// The reads run on a reader with its fast check and on one that checks every text by its walk
// (both reused for all the reads of an input, as a scan reuses its reader).
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "chain/account_reply.h"
#include "chain/history_reply.h"
#include "chain/market_reply.h"
#include "chain/reputation_reply.h"
#include "chain/scan_values.h"
#include "common/calendar.h"
#include "common/json_reader.h"
#include "oracle_reads.h"
#include "service/update_notice.h"

namespace {

using namespace tarnwick;

void require(bool condition) {
  if (!condition) std::abort();
}

bool same(const RawReputation& a, const RawReputation& b) {
  if (a.index() != b.index()) return false;
  if (const auto* x = std::get_if<double>(&a)) {
    return std::bit_cast<std::uint64_t>(*x) == std::bit_cast<std::uint64_t>(std::get<double>(b));
  }
  if (const auto* x = std::get_if<std::uint64_t>(&a)) return *x == std::get<std::uint64_t>(b);
  if (const auto* x = std::get_if<std::int64_t>(&a)) return *x == std::get<std::int64_t>(b);
  if (const auto* x = std::get_if<std::string>(&a)) return *x == std::get<std::string>(b);
  return true;  // both some other kind of value
}

bool same(const std::optional<RawReputation>& a, const std::optional<RawReputation>& b) {
  return a.has_value() == b.has_value() && (!a || same(*a, *b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  constexpr std::string_view tokens[] = {"snipcoins", "a", "eosio.token", ""};

  const bool privileged = oracle::owner_privileged(text);
  std::uint16_t depths[std::size(tokens)];
  for (std::size_t i = 0; i < std::size(tokens); ++i) {
    depths[i] = oracle::liquidity_depth(text, tokens[i]);
  }
  const std::optional<std::string> created = oracle::created_text(text);
  const std::optional<RawReputation> reputation = oracle::reputation_value(text);

  JsonReader fast;
  JsonReader walk(0);
  for (JsonReader* reader : {&fast, &walk}) {
    require(owner_privileged(*reader, text) == privileged);
    for (std::size_t i = 0; i < std::size(tokens); ++i) {
      require(liquidity_depth(*reader, text, tokens[i]) == depths[i]);
    }
    require(created_text(*reader, text) == created);
    require(same(reputation_value(*reader, text), reputation));
  }
  require(update_answer(text) == oracle::update_answer(text));
  return 0;
}

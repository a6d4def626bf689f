// Fuzz target: the reading of chain replies (owner privilege, market depth, account age,
// reputation) on arbitrary reply text, and the creation-time reader on arbitrary "created" texts.
// Checked on every input:
//   - text that is not one JSON document reads as the unread values: not privileged, depth 0,
//     age unknown, no reputation score;
//   - a depth is 0 or 10000, a score at most 100;
//   - an age never shrinks as the reference time grows, is 0 at the creation second itself and
//     turns 1 exactly 86400 seconds later;
//   - a creation time, when one is read, is not before 1970.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "assess/hazards.h"
#include "chain/json_parse.h"
#include "chain/token_facts.h"

namespace {

using namespace tarnwick;

void require(bool condition) {
  if (!condition) std::abort();
}

void check_ages(std::string_view reply) {
  constexpr std::uint64_t references[] = {0, 1'705'314'600, 1'767'225'600, 253'402'300'799,
                                          std::numeric_limits<std::uint64_t>::max()};
  std::uint32_t previous = 0;
  bool previous_known = false;
  for (const std::uint64_t reference : references) {
    const std::uint32_t age = account_age_days(reply, reference);
    if (age == unknown_age_days) continue;
    require(!previous_known || age >= previous);
    previous = age;
    previous_known = true;
  }
}

void check_created(std::string_view created) {
  const std::optional<std::int64_t> seconds = created_seconds(created);
  if (!seconds) return;
  require(*seconds >= 0);
  const auto at = static_cast<std::uint64_t>(*seconds);
  require(age_in_days(*seconds, at) == 0);
  require(age_in_days(*seconds, at + 86'399) == 0);
  require(age_in_days(*seconds, at + 86'400) == 1);
  if (at > 0) require(age_in_days(*seconds, at - 1) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  const bool privileged = owner_privileged(reply);
  const std::uint16_t depth = liquidity_depth(reply, "snipcoins");
  const std::uint16_t short_depth = liquidity_depth(reply, "a");
  const std::optional<std::uint8_t> score = reputation_score(reply);
  require(depth == 0 || depth == active_market_depth);
  require(short_depth == 0 || short_depth == active_market_depth);
  require(!score || *score <= 100);
  if (parse_json(reply).is_discarded()) {
    require(!privileged && depth == 0 && short_depth == 0 && !score);
    require(account_age_days(reply, 1'767'225'600) == unknown_age_days);
  }
  check_ages(reply);
  check_created(reply);
  return 0;
}

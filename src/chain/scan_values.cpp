#include "chain/scan_values.h"

#include "assess/hazards.h"
#include "assess/scan_record.h"
#include "chain/account_reply.h"
#include "chain/market_reply.h"
#include "chain/reputation_reply.h"
#include "common/calendar.h"
#include "common/json_reader.h"

namespace tarnwick {

bool owner_privileged(JsonReader& reader, std::string_view account_reply) {
  return owner_keys(reader, account_reply);
}

std::uint16_t liquidity_depth(JsonReader& reader, std::string_view markets_reply,
                              std::string_view token) {
  // The depth rests on the first row naming the token alone: no row is kept.
  return market_depth(read_market(reader, markets_reply, token, 0));
}

std::uint32_t account_age_days(JsonReader& reader, std::string_view account_reply,
                               std::uint64_t reference_time) {
  // read_creation's rule, without a copy of the created text: an age when the reply has a
  // created text that reads as one.
  const std::optional<std::string_view> created = created_text(reader, account_reply);
  const std::optional<std::uint32_t> age =
      created ? age_of(*created, reference_time) : std::nullopt;
  return age.value_or(unknown_age_days);
}

std::optional<RawReputation> reputation_value(JsonReader& reader,
                                              std::string_view reputation_reply) {
  return read_reputation(reader, reputation_reply, {}).avg_score;
}

std::optional<std::uint8_t> reputation_score(JsonReader& reader,
                                             std::string_view reputation_reply) {
  return read_reputation(reader, reputation_reply, {}).score;
}

bool owner_privileged(std::string_view account_reply) {
  JsonReader reader;
  return owner_privileged(reader, account_reply);
}

std::uint16_t liquidity_depth(std::string_view markets_reply, std::string_view token) {
  JsonReader reader;
  return liquidity_depth(reader, markets_reply, token);
}

std::uint32_t account_age_days(std::string_view account_reply, std::uint64_t reference_time) {
  JsonReader reader;
  return account_age_days(reader, account_reply, reference_time);
}

std::optional<std::uint8_t> reputation_score(std::string_view reputation_reply) {
  JsonReader reader;
  return reputation_score(reader, reputation_reply);
}

}  // namespace tarnwick

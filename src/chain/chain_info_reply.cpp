#include "chain/chain_info_reply.h"

#include <cstddef>
#include <string_view>

#include "common/calendar.h"
#include "common/json_reader.h"

namespace tarnwick {

std::optional<std::int64_t> head_block_seconds(JsonReader& reader, std::string_view reply) {
  std::optional<std::int64_t> head;
  reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (!is_key(key, "head_block_time")) return;
    const std::optional<std::string_view> time = text(value);
    head = time ? created_seconds(*time) : std::nullopt;
  });
  return head;
}

namespace {

std::optional<std::uint8_t> hex_digit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return std::nullopt;
}

// Bytes 8 to 11 of a block id as a little-endian word: byte 8 is the lowest.
std::optional<std::uint32_t> block_prefix(std::string_view id) {
  if (id.size() != 64) return std::nullopt;
  std::uint32_t prefix = 0;
  for (std::size_t i = 0; i < id.size(); ++i) {
    const std::optional<std::uint8_t> digit = hex_digit(id[i]);
    if (!digit) return std::nullopt;
    const std::size_t byte = i / 2;
    if (byte < 8 || byte > 11) continue;
    const unsigned shift = 8 * static_cast<unsigned>(byte - 8) + (i % 2 == 0 ? 4 : 0);
    prefix |= static_cast<std::uint32_t>(*digit) << shift;
  }
  return prefix;
}

// Seconds a dry run's transaction has before it expires.
constexpr std::int64_t expires_after = 60;

}  // namespace

std::optional<Tapos> tapos_of(JsonReader& reader, std::string_view reply) {
  std::optional<std::uint64_t> block_num;
  std::optional<std::uint32_t> prefix;
  std::optional<std::int64_t> head;
  reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "last_irreversible_block_num")) block_num = whole_number(value);
    if (is_key(key, "last_irreversible_block_id")) {
      const std::optional<std::string_view> id = text(value);
      prefix = id ? block_prefix(*id) : std::nullopt;
    }
    if (is_key(key, "head_block_time")) {
      const std::optional<std::string_view> time = text(value);
      head = time ? created_seconds(*time) : std::nullopt;
    }
  });
  if (!block_num || !prefix || !head || *head > latest_time_text_seconds - expires_after) {
    return std::nullopt;
  }
  return Tapos{static_cast<std::uint16_t>(*block_num & 0xFFFF), *prefix,
               utc_time_text(*head + expires_after)};
}

}  // namespace tarnwick

#include "chain/chain_info_reply.h"

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

}  // namespace tarnwick

// The get_info reply: the node's head block time. Pure; never throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnwick {

class JsonReader;

// The head_block_time of a get_info reply, in Unix seconds.
std::optional<std::int64_t> head_block_seconds(JsonReader& reader, std::string_view reply);

}  // namespace tarnwick

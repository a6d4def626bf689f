// The get_info reply: the node's head block time, and the reference block of a transaction.
// Pure; never throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "chain/chain_requests.h"

namespace tarnwick {

class JsonReader;

// The head_block_time of a get_info reply, in Unix seconds.
std::optional<std::int64_t> head_block_seconds(JsonReader& reader, std::string_view reply);

// A transaction's TaPoS from the last irreversible block, which every node of the list holds:
// ref_block_num = last_irreversible_block_num & 0xFFFF, ref_block_prefix = the little-endian
// 32-bit word of bytes 8 to 11 of last_irreversible_block_id (64 hexadecimal digits); it expires
// 60 seconds after head_block_time. None when any of the three is missing or malformed.
std::optional<Tapos> tapos_of(JsonReader& reader, std::string_view reply);

}  // namespace tarnwick

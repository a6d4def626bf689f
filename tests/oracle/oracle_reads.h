// Test-only: every read the program makes of a chain reply or of the update manifest, done the way
// the program did them before JsonReader (a whole tree from parse_json, then the lookups of
// chain/json_lookup.h). The differential fuzz target and the benchmarks compare the program's
// reads with these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "assess/verdict.h"

namespace tarnwick::oracle {

bool owner_privileged(std::string_view account_reply);
std::uint16_t liquidity_depth(std::string_view markets_reply, std::string_view token);
// The text of member "created"; none when the reply is not JSON or it is not a text.
std::optional<std::string> created_text(std::string_view account_reply);
// Member "avg_score" of the first row, its kind kept; none when the reply is not JSON, has no
// rows or the row has no such member.
std::optional<RawReputation> reputation_value(std::string_view reputation_reply);
// The /update answer for the manifest bytes.
std::string update_answer(std::string_view manifest_bytes);

}  // namespace tarnwick::oracle

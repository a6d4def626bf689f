// The verdict's values of single replies, each as the scan's record takes it from its fact, read
// without keeping the fact (no allocation with a reader kept from an earlier read): what /scan is
// weighed from (scan_token.h, verdict_outcome), and the views the differential checks compare with
// the former readers.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "assess/verdict.h"

namespace tarnwick {

class JsonReader;

// The verdict's values of single replies, as scan_outcome takes them from the facts above.
bool owner_privileged(JsonReader& reader, std::string_view account_reply);
bool owner_privileged(std::string_view account_reply);
std::uint16_t liquidity_depth(JsonReader& reader, std::string_view markets_reply,
                              std::string_view token);
std::uint16_t liquidity_depth(std::string_view markets_reply, std::string_view token);
std::uint32_t account_age_days(JsonReader& reader, std::string_view account_reply,
                               std::uint64_t reference_time);
std::uint32_t account_age_days(std::string_view account_reply, std::uint64_t reference_time);
std::optional<RawReputation> reputation_value(JsonReader& reader,
                                              std::string_view reputation_reply);
std::optional<std::uint8_t> reputation_score(JsonReader& reader, std::string_view reputation_reply);
std::optional<std::uint8_t> reputation_score(std::string_view reputation_reply);

}  // namespace tarnwick

// The reply of the bot-reputation table: the token's row, its raw score and the score it scales
// to. Pure; never throws.
#pragma once

#include <string_view>

#include "assess/evidence.h"

namespace tarnwick {

class JsonReader;

// The reputation reply: the first row's "avg_score" as it stands (number kinds apart, a string as
// its text) and its score through scale_reputation. Read with no score when the rows are empty or
// the row has no usable value; unavailable when the reply is not JSON or has no "rows" array.
ReputationFact read_reputation(JsonReader& reader, std::string_view reputation_reply,
                               std::string_view contract);

}  // namespace tarnwick

#include "chain/reputation_reply.h"

#include <string>
#include <variant>

#include "assess/verdict.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

// The JSON value as the assessment's raw reputation, with the number kinds kept apart.
RawReputation raw_reputation(JsonValue& value) {
  if (const auto content = text(value)) return std::string(*content);
  if (const auto held = number(value)) {
    return std::visit([](auto n) { return RawReputation(n); }, *held);
  }
  return std::monostate{};
}

}  // namespace

ReputationFact read_reputation(JsonReader& reader, std::string_view reputation_reply,
                               std::string_view contract) {
  ReputationFact fact;
  bool has_rows = false;
  const bool json =
      reader.read_members(reputation_reply, [&](std::string_view key, JsonValue& rows) {
        if (!is_key(key, "rows")) return;
        fact.avg_score.reset();
        has_rows = for_each_element(rows, [&](JsonValue& row) {
          for_each_member(row, [&](std::string_view name, JsonValue& value) {
            if (is_key(name, "avg_score")) fact.avg_score = raw_reputation(value);
          });
          return false;
        });
      });
  if (!json || !has_rows) {
    fact = json
               ? unavailable<ReputationFact>(ReasonCode::shape_not_recognised, "reply without rows")
               : unavailable<ReputationFact>(ReasonCode::not_json, reply_not_json);
  } else if (fact.avg_score) {
    fact.score = scale_reputation(*fact.avg_score);
  }
  fact.contract = std::string(contract);
  return fact;
}

}  // namespace tarnwick

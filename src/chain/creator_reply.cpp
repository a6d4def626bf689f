#include "chain/creator_reply.h"

#include <string>

#include "common/account_name.h"
#include "common/json_reader.h"

namespace tarnwick {

CreatorFact creator_fact(JsonReader& reader, std::string_view reply,
                         const PriorRugList& prior_rugs) {
  CreatorFact fact;
  bool error = false;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "creator")) fact.account = std::string(text_or_empty(value));
    if (is_key(key, "timestamp")) fact.created = std::string(text_or_empty(value));
    if (is_key(key, "error")) error = true;
  });
  if (!json) return unavailable<CreatorFact>(ReasonCode::not_json, reply_not_json);
  if (!is_account_name(fact.account)) {
    return error ? unavailable<CreatorFact>(ReasonCode::absent_at_node,
                                            "the history node has no creator for this account")
                 : unavailable<CreatorFact>(ReasonCode::shape_not_recognised,
                                            "reply without a creator");
  }
  fact.listed = prior_rugs.contains(fact.account);
  return fact;
}

}  // namespace tarnwick

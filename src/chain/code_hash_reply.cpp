#include "chain/code_hash_reply.h"

#include <string>

#include "common/json_reader.h"

namespace tarnwick {

CodeFact code_fact(JsonReader& reader, std::string_view reply) {
  CodeFact fact;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "code_hash")) fact.hash = std::string(text_or_empty(value));
  });
  const bool hash_shape =
      fact.hash.size() == 64 && std::all_of(fact.hash.begin(), fact.hash.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
      });
  if (!json) return unavailable<CodeFact>(ReasonCode::not_json, reply_not_json);
  if (!hash_shape)
    return unavailable<CodeFact>(ReasonCode::shape_not_recognised, "reply without a code hash");
  fact.has_code = fact.hash != std::string(64, '0');
  if (fact.hash == standard_token_build_2021) fact.build = "2021";
  if (fact.hash == standard_token_build_2023) fact.build = "2023";
  return fact;
}

}  // namespace tarnwick

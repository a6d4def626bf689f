#include "assess/token_answer.h"

namespace tarnwick {

void write_token_head(JsonObject& answer, unsigned version, std::string_view token) {
  answer.member("version", version);
  answer.member("token", token);
}

std::optional<std::string_view> shared_counted_as(std::optional<bool> shared,
                                                  std::string_view counted_as) {
  if (shared) return std::nullopt;
  return counted_as;
}

}  // namespace tarnwick

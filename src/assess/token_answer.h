// What the answers about one token (/evidence, /liquidity, /sell) share: they open with their
// format version and the token as the request named it, and the two that say whether the token's
// contract holds other symbols say the same way how an unknown answer was taken.
#pragma once

#include <optional>
#include <string_view>

#include "assess/json_writer.h"

namespace tarnwick {

// "version":N,"token":.. as the first members of `answer`.
void write_token_head(JsonObject& answer, unsigned version, std::string_view token);

// "shared_counted_as": how an unknown `shared` was taken; none (null) when `shared` is known.
std::optional<std::string_view> shared_counted_as(std::optional<bool> shared,
                                                  std::string_view counted_as);

}  // namespace tarnwick

// The get_currency_balance reply: the balances an account holds on a token contract, as the
// chain states them now. Pure; never throws.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "assess/token_amounts.h"

namespace tarnwick {

class JsonReader;

// From a get_currency_balance reply, a list of asset texts (["12.3456 TOK"]; [] when the account
// holds none): its assets. None when the reply is not a JSON list or an element is not an asset
// text: a balance not read is never taken for zero.
std::optional<std::vector<Asset>> live_balances(JsonReader& reader, std::string_view reply);

}  // namespace tarnwick

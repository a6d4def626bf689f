// The get_currency_stats reply: a symbol's supply, its cap and its issuer. Pure; never throws.
#pragma once

#include <optional>
#include <string_view>

#include "assess/evidence.h"
#include "assess/token_amounts.h"

namespace tarnwick {

class JsonReader;

struct SupplyRead {
  SupplyFact fact;
  std::optional<Asset> supply;  // set exactly when the fact was read
};

// From a get_currency_stats reply: member `symbol` only, its supply and max_supply read as
// assets of that symbol and one precision. A max_supply of 0 or of the asset maximum (as some
// chains record an uncapped token) is no cap in effect: not capped, no headroom.
SupplyRead supply_read(JsonReader& reader, std::string_view reply, std::string_view symbol);

}  // namespace tarnwick

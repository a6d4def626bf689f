// The history node's top-holders reply: the largest holders of a symbol and their shares. Pure;
// never throws.
#pragma once

#include <cstddef>
#include <string_view>

#include "assess/evidence.h"
#include "assess/token_amounts.h"

namespace tarnwick {

class JsonReader;

// The most holders the holders read asks for; later ones in a reply are not looked at.
inline constexpr std::size_t top_holder_limit = 20;

// From a get_top_holders reply: the first 20 holders with their amounts in the supply's precision
// and their shares, and the top-ten share without escrow accounts. The history index keeps
// amounts as floats: holders that together exceed the supply by more than that rounding (2^-23 of
// each amount and one sub-unit) make the fact unavailable, as the index and the chain disagree;
// within it, shares are held to 10000 basis points. Unavailable also for the 200 {"error":..} of
// a node without the state index, and for an empty list while supply is above 0.
HoldersFact holders_fact(JsonReader& reader, std::string_view reply, const Asset& supply);

}  // namespace tarnwick

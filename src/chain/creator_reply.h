// The history node's get_creator reply: the account that created a contract, and when. Pure;
// never throws.
#pragma once

#include <string_view>

#include "assess/evidence.h"
#include "chain/prior_rug_list.h"

namespace tarnwick {

class JsonReader;

// From a history node's get_creator reply: the creating account and when. Unavailable when the
// reply is not JSON, or names no creator that is an account name (a node without the route
// answers {"error":..}).
CreatorFact creator_fact(JsonReader& reader, std::string_view reply,
                         const PriorRugList& prior_rugs);

}  // namespace tarnwick

// The /evidence answer: one line of JSON written through the JSON writer (json_writer.h), members
// in fixed order. Its "version" is evidence_format_version; it is raised whenever a member changes
// meaning.
#pragma once

#include <string>
#include <string_view>

#include "assess/evidence.h"

namespace tarnwick {

inline constexpr unsigned evidence_format_version = 1;

// {"version":1,"token":..,"verdict":{..},"measured":{..},"facts":{"permissions":..,"market":..,
//  "creation":..,"prior_rug":..,"reputation":..,"supply":..,"holders":..,"activity":..,"code":..},
//  "node":..}. `node`: the base address of the API node that answered the reads.
std::string evidence_json(std::string_view token, std::string_view node,
                          const TokenEvidence& evidence);

// The answer for a token whose account cannot be read:
// {"version":1,"token":..,"verdict":null,"measured":null,"facts":null,"node":..}
std::string evidence_no_data_json(std::string_view token, std::string_view node);

}  // namespace tarnwick

// The get_code_hash reply: the hash of the contract's code and the published build it is. Pure;
// never throws.
#pragma once

#include <string_view>

#include "assess/evidence.h"

namespace tarnwick {

class JsonReader;

// The sha256 of the two published builds of the network's ready-made token contract.
inline constexpr std::string_view standard_token_build_2021 =
    "26008164a413c81f53e00fe61861cfad1d927802fada003208574d62b709673b";

inline constexpr std::string_view standard_token_build_2023 =
    "ea0f6aa5e2b023f230c39cd72498457f40629bb2b161f387a17465b1657b26ed";

// From a get_code_hash reply: the hash (64 hexadecimal digits), whether there is code (not all
// zeros) and which published build it is.
CodeFact code_fact(JsonReader& reader, std::string_view reply);

}  // namespace tarnwick

// The chain's own 64-bit encoding of an account name: characters of
// ".12345abcdefghijklmnopqrstuvwxyz" (values 0 to 31), the first twelve in 5 bits each from the
// top, a thirteenth in the low 4 bits. Positions past the end read as '.', so "abc" and "abc."
// share one code; names that end in '.' are therefore refused here, which keeps names and codes
// one-to-one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The code of `name`, or none unless `name` is 1 to 13 characters of the alphabet above, does not
// end in '.', and its thirteenth character (if any) lies in ".12345abcdefghij" (4 bits).
std::optional<std::uint64_t> encode_account_name(std::string_view name);

// The name a code stands for, without trailing dots. For every code from encode_account_name,
// decode_account_name(code) is the name that was encoded.
std::string decode_account_name(std::uint64_t code);

}  // namespace tarnwick

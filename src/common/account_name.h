// XPR account names: the one rule for which texts are names, used by the request's token, the
// prior-rug list and every place that checks a name; and the chain's own 64-bit encoding of a
// name: characters of
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

// True for a token account name: 1 to 12 characters of a-z, 1-5 and '.', not ending in '.'.
bool is_account_name(std::string_view text);

// The code of `name`, or none unless `name` is 1 to 13 characters of the alphabet above, does not
// end in '.', and its thirteenth character (if any) lies in ".12345abcdefghij" (4 bits).
std::optional<std::uint64_t> encode_account_name(std::string_view name);

// The name a code stands for, without trailing dots. For every code from encode_account_name,
// decode_account_name(code) is the name that was encoded.
std::string decode_account_name(std::uint64_t code);

}  // namespace tarnwick

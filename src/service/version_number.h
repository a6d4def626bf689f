// Release version numbers as the update check reads them: 1 to 4 unsigned 64-bit pieces.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarnwick {

using VersionNumber = std::vector<std::uint64_t>;

// Parses "v1.2.3-beta" style text: surrounding white space trimmed, leading lower-case v's
// dropped, cut at the first '-' or '+', then 1 to 4 '.'-separated decimal pieces (digits only,
// one optional leading '+', none empty, none above 2^64-1). None when the text is not a version.
// REQUIRES: `text` is valid UTF-8.
std::optional<VersionNumber> parse_version(std::string_view text);

// Negative, zero or positive as `a` is older than, the same as or newer than `b`; the shorter
// list counts as padded with zeros (0.1 equals 0.1.0).
int compare_versions(const VersionNumber& a, const VersionNumber& b);

}  // namespace tarnwick

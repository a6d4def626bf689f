// The /update answer: whether the maker's manifest offers a release newer than this one.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// This release, as project() in CMakeLists.txt sets it ("0.1.1").
inline constexpr std::string_view current_version = TARNWICK_RELEASE_VERSION;
// The manifest on the maker's download site, and the prefix every download page must start with.
inline constexpr std::string_view update_manifest_url = "https://get.tarnwick.app/updates.json";
inline constexpr std::string_view download_site_prefix = "https://get.tarnwick.app/";

// {"available":false,"current":"0.1.1"}: the answer for every failure and for no newer release.
std::string not_available_answer();

// The answer for the manifest bytes that were read (at most the first 2 MiB of the body): the
// available answer, {"available":true,"current":…,"page":…,"version":…}, exactly when the bytes
// are UTF-8 JSON whose member "tarnwick" holds a `version` newer than current_version and a
// `page` on the download site; otherwise the not-available answer. Never throws.
std::string update_answer(std::string_view manifest_bytes);

}  // namespace tarnwick

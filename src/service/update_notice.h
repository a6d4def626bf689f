// The update notice: /update tells whether the maker's download site offers a release newer than
// this one. Unless the no-update-check marker exists in the data folder, every request fetches
// the release manifest with a short-lived client, reads its "tarnwick" member and compares its
// version with this one (version numbers of 1 to 4 unsigned 64-bit pieces). Every failure gives
// the not-available answer; nothing is printed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/https_client.h"

namespace tarnwick {

using VersionNumber = std::vector<std::uint64_t>;

// Parses "v1.2.3-beta" style text: surrounding white space trimmed, leading lower-case v's
// dropped, cut at the first '-' or '+', then 1 to 4 '.'-separated decimal pieces (digits only,
// one optional leading '+', none empty, none above 2^64-1). None when the text is not a version.
// `text` must be valid UTF-8; checked by an assertion.
std::optional<VersionNumber> parse_version(std::string_view text);

// Negative, zero or positive as `a` is older than, the same as or newer than `b`; the shorter
// list counts as padded with zeros (0.1 equals 0.1.0).
int compare_versions(const VersionNumber& a, const VersionNumber& b);

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

// Largest part of the manifest body that is read; the rest is left unread.
inline constexpr std::size_t manifest_read_limit = 2'097'152;

struct UpdateCheck {
  std::optional<std::filesystem::path>
      data_folder;  // where the marker is looked for; none: no marker
  std::string manifest_url;
  ClientSettings manifest_client;  // a fresh client is built from these for every check
};

// `site` (its base URL and trusted roots) with the manifest's limits: 6 s to connect, 15 s
// overall, at most manifest_read_limit bytes of the body kept and the rest not read.
ClientSettings manifest_client_settings(ClientSettings site);

// The production check, formed anew on each request so that HOME and the marker are read then:
// the data folder under HOME, the maker's manifest URL, a client trusting the compiled-in roots
// with the manifest's limits.
UpdateCheck production_update_check();

// The UpdateNotice JSON. Every failure gives the not-available answer; nothing is printed. With
// the marker present, or when the folder cannot be searched for it, no connection is opened.
std::string run_update_check(const UpdateCheck& check);

}  // namespace tarnwick

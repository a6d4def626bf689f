// The /update check: unless the no-update-check marker exists in the data folder, fetch the
// release manifest with a short-lived client and answer whether a newer release is offered.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "common/https_client.h"

namespace tarnwick {

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

// The per-user data folder: $HOME/Library/Application Support/tarnwick, on every platform.
// It holds known_rugs.txt and the no-update-check marker; the program never creates it.
#pragma once

#include <filesystem>
#include <optional>

namespace tarnwick {

// The folder under `home` (the value of HOME, or null when unset); none when home is unset or
// empty. Production passes std::getenv("HOME"); tests pass what they need.
inline std::optional<std::filesystem::path> data_folder(const char* home) {
  if (home == nullptr || *home == '\0') return std::nullopt;
  return std::filesystem::path(home) / "Library/Application Support" / "tarnwick";
}

}  // namespace tarnwick

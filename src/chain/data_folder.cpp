#include "chain/data_folder.h"

namespace tarnwick {

std::optional<std::filesystem::path> data_folder(const char* home) {
  if (home == nullptr || *home == '\0') return std::nullopt;
  return std::filesystem::path(home) / "Library/Application Support" / "tarnwick";
}

}  // namespace tarnwick

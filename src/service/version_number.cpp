#include "service/version_number.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "common/text.h"

namespace tarnwick {
namespace {

constexpr std::size_t max_pieces = 4;

}  // namespace

std::optional<VersionNumber> parse_version(std::string_view text) {
  text = trim_white_space(text);
  while (!text.empty() && text.front() == 'v') text.remove_prefix(1);
  text = text.substr(0, text.find_first_of("-+"));

  VersionNumber pieces;
  while (true) {
    const std::size_t dot = text.find('.');
    const auto piece = parse_uint64(text.substr(0, dot));
    if (!piece || pieces.size() == max_pieces) return std::nullopt;
    pieces.push_back(*piece);
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  return pieces;
}

int compare_versions(const VersionNumber& a, const VersionNumber& b) {
  const std::size_t length = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint64_t x = i < a.size() ? a[i] : 0;
    const std::uint64_t y = i < b.size() ? b[i] : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

}  // namespace tarnwick

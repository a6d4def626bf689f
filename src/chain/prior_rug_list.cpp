#include "chain/prior_rug_list.h"

#include <array>
#include <cstdio>
#include <system_error>

#include "chain/utf8_text.h"

namespace tarnwick {
namespace {

constexpr std::size_t longest_name = 13;

bool is_name_char(char c) { return (c >= 'a' && c <= 'z') || (c >= '1' && c <= '5') || c == '.'; }

bool is_name(std::string_view text) {
  if (text.empty() || text.size() > longest_name) return false;
  for (const char c : text) {
    if (!is_name_char(c)) return false;
  }
  return true;
}

}  // namespace

PriorRugList parse_prior_rugs(std::string_view file_bytes) {
  PriorRugList list;
  if (!is_valid_utf8(file_bytes)) return list;
  // Editors that save "UTF-8 with BOM" put U+FEFF first; it is a signature, not text.
  constexpr std::string_view bom = "\xEF\xBB\xBF";
  if (file_bytes.substr(0, bom.size()) == bom) file_bytes.remove_prefix(bom.size());
  while (!file_bytes.empty()) {
    const std::size_t end = file_bytes.find('\n');
    std::string_view line = file_bytes.substr(0, end);
    file_bytes.remove_prefix(end == std::string_view::npos ? file_bytes.size() : end + 1);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    // Cutting at '#' or at a CR keeps the text valid UTF-8: both are single-byte characters.
    line = trim_white_space(line.substr(0, line.find('#')));
    if (is_name(line)) list.names.emplace(line);
  }
  return list;
}

PriorRugList load_prior_rugs(const std::optional<std::filesystem::path>& folder) {
  if (!folder) return {};
  const std::filesystem::path file = *folder / "known_rugs.txt";
  std::error_code error;
  // Only a regular file (or a link to one) is read: a FIFO or a device could block start-up.
  if (!std::filesystem::is_regular_file(file, error)) return {};
  // Read with stdio, whose errors are values: an I/O error part-way (a failing disk, a network
  // mount) must give the empty list, never an exception that would stop start-up.
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (in == nullptr) return {};
  std::string bytes;
  std::array<char, 65536> chunk{};
  std::size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) bytes.append(chunk.data(), got);
  const bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) return {};
  return parse_prior_rugs(bytes);
}

}  // namespace tarnwick

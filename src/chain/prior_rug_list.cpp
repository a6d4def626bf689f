#include "chain/prior_rug_list.h"

#include <algorithm>

#include "common/account_name.h"
#include "common/regular_file.h"
#include "common/text.h"

namespace tarnwick {
namespace {

// Below this many codes, duplicates wait for finish() to be removed.
constexpr std::size_t smallest_compaction = 4'096;

void sort_distinct(std::vector<std::uint64_t>& codes) {
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
}

bool is_continuation_byte(char c) { return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U; }

// Where `bytes` (at least 4 of them) may be cut so that, whatever follows them, the whole is valid
// UTF-8 exactly when the part before the cut and the part after it each are: before their last
// byte that is no continuation byte, when it lies among the last 4 (a character starts there);
// otherwise at the end, as 4 continuation bytes in a row are invalid whatever surrounds them.
std::size_t character_cut(std::string_view bytes) {
  for (std::size_t at = bytes.size(); at-- > bytes.size() - 4;) {
    if (!is_continuation_byte(bytes[at])) return at;
  }
  return bytes.size();
}

// The list in `file`, read to its end; the empty list when it cannot be (nothing is trusted).
PriorRugList read_list(const std::filesystem::path& file) {
  PriorRugListBuilder builder;
  const bool read = read_regular_file(file, [&builder](std::string_view piece) {
    builder.take(piece);
    return true;
  });
  return read ? builder.finish() : PriorRugList{};
}

}  // namespace

bool PriorRugList::contains(std::string_view account) const {
  const std::optional<std::uint64_t> code = encode_account_name(account);
  return code && std::binary_search(names.begin(), names.end(), *code);
}

void PriorRugListBuilder::take(std::string_view piece) {
  while (!invalid_ && !piece.empty()) {
    const std::size_t end = piece.find('\n');
    const std::string_view part = piece.substr(0, end);
    const bool line_ends = end != std::string_view::npos;
    if (skipping_ || unfinished_line_.size() + part.size() > max_line_bytes) {
      skip(part);
      if (line_ends && !invalid_) end_skipped_line();
    } else if (!line_ends) {
      unfinished_line_.append(part);
    } else if (unfinished_line_.empty()) {
      take_line(part);  // a whole line within the piece needs no copy
    } else {
      unfinished_line_.append(part);
      take_line(unfinished_line_);
      unfinished_line_.clear();
    }
    if (!line_ends) return;
    piece.remove_prefix(end + 1);
  }
}

PriorRugList PriorRugListBuilder::finish() {
  if (!invalid_ && skipping_) {
    end_skipped_line();
  } else if (!invalid_ && !unfinished_line_.empty()) {
    take_line(unfinished_line_);
  }
  unfinished_line_ = std::string();
  if (invalid_) return {};
  sort_distinct(codes_);
  // Shrinking copies: worth it only when duplicates left more than half the room unused, and then
  // the copy is smaller than the last growth was.
  if (codes_.size() < codes_.capacity() / 2) codes_.shrink_to_fit();
  return PriorRugList{std::move(codes_)};
}

void PriorRugListBuilder::skip(std::string_view bytes) {
  skipping_ = true;
  // The held bytes fill up to max_line_bytes; then all but their last character, which the next
  // bytes may still complete, are checked and dropped. A cut before a character's first byte
  // keeps the check exact (see character_cut).
  while (!bytes.empty()) {
    const std::size_t room = max_line_bytes - unfinished_line_.size();
    const std::size_t moved = std::min(room, bytes.size());
    unfinished_line_.append(bytes.substr(0, moved));
    bytes.remove_prefix(moved);
    if (unfinished_line_.size() < max_line_bytes) return;
    const std::size_t cut = character_cut(unfinished_line_);
    if (!is_valid_utf8(std::string_view(unfinished_line_).substr(0, cut))) {
      discard_all();
      return;
    }
    unfinished_line_.erase(0, cut);
  }
}

void PriorRugListBuilder::end_skipped_line() {
  if (!is_valid_utf8(unfinished_line_)) {
    discard_all();
    return;
  }
  unfinished_line_.clear();
  skipping_ = false;
  at_start_ = false;
}

void PriorRugListBuilder::discard_all() {
  invalid_ = true;
  codes_ = std::vector<std::uint64_t>();
}

void PriorRugListBuilder::take_line(std::string_view line) {
  // LF never occurs inside a multi-byte sequence, so the file is valid UTF-8 exactly when each of
  // its lines is.
  if (!is_valid_utf8(line)) {
    discard_all();
    return;
  }
  // Editors that save "UTF-8 with BOM" put U+FEFF first; it is a signature, not text.
  constexpr std::string_view bom = "\xEF\xBB\xBF";
  if (at_start_ && line.starts_with(bom)) line.remove_prefix(bom.size());
  at_start_ = false;
  const std::optional<std::uint64_t> code = encode_account_name(list_line_content(line));
  if (!code) return;
  // A file of many repeats must not cost memory for each repeat: when full, drop the duplicates,
  // and grow only if that left less than a quarter free.
  if (codes_.size() == codes_.capacity() && codes_.size() >= smallest_compaction) {
    sort_distinct(codes_);
    if (codes_.size() > codes_.capacity() / 4 * 3) codes_.reserve(codes_.capacity() * 2);
  }
  codes_.push_back(*code);
}

PriorRugList parse_prior_rugs(std::string_view file_bytes) noexcept {
  try {
    PriorRugListBuilder builder;
    builder.take(file_bytes);
    return builder.finish();
  } catch (...) {  // only std::bad_alloc can come this far
    return {};
  }
}

PriorRugList load_prior_rugs(const std::optional<std::filesystem::path>& folder) noexcept {
  if (!folder) return {};
  // The one boundary of loading: whatever fails inside, memory included, gives the empty list.
  try {
    return read_list(*folder / "known_rugs.txt");
  } catch (...) {
    return {};
  }
}

}  // namespace tarnwick

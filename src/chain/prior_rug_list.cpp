#include "chain/prior_rug_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/account_name.h"
#include "common/text.h"

namespace tarnwick {
namespace {

constexpr std::size_t read_piece_size = 65'536;
// Below this many codes, duplicates wait for finish() to be removed.
constexpr std::size_t smallest_compaction = 4'096;

void sort_distinct(std::vector<std::uint64_t>& codes) {
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
}

// Closes a descriptor on every way out of the reader.
class DescriptorCloser {
 public:
  explicit DescriptorCloser(int fd) : fd_(fd) {}
  ~DescriptorCloser() { ::close(fd_); }
  DescriptorCloser(const DescriptorCloser&) = delete;
  DescriptorCloser& operator=(const DescriptorCloser&) = delete;

 private:
  int fd_;
};

// The list in `file`, read to its end with plain reads whose failures are values.
PriorRugList read_list(const std::filesystem::path& file) {
  // Opened without blocking, so that a FIFO with no writer cannot hold start-up before the check
  // below refuses it.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  const DescriptorCloser closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return {};
  PriorRugListBuilder builder;
  std::vector<char> piece(read_piece_size);
  while (true) {
    const ssize_t got = ::read(fd, piece.data(), piece.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return {};  // a failing disk or a broken network mount: nothing is trusted
    }
    builder.take(std::string_view(piece.data(), static_cast<std::size_t>(got)));
  }
  return builder.finish();
}

}  // namespace

bool PriorRugList::contains(std::string_view account) const {
  const std::optional<std::uint64_t> code = encode_account_name(account);
  return code && std::binary_search(names.begin(), names.end(), *code);
}

void PriorRugListBuilder::take(std::string_view piece) {
  while (!invalid_ && !piece.empty()) {
    const std::size_t end = piece.find('\n');
    if (end == std::string_view::npos) {
      unfinished_line_.append(piece);
      return;
    }
    if (unfinished_line_.empty()) {
      take_line(piece.substr(0, end));
    } else {
      unfinished_line_.append(piece.substr(0, end));
      take_line(unfinished_line_);
      unfinished_line_.clear();
    }
    piece.remove_prefix(end + 1);
  }
}

PriorRugList PriorRugListBuilder::finish() {
  if (!invalid_ && !unfinished_line_.empty()) take_line(unfinished_line_);
  unfinished_line_ = std::string();
  if (invalid_) return {};
  sort_distinct(codes_);
  // Shrinking copies: worth it only when duplicates left more than half the room unused, and then
  // the copy is smaller than the last growth was.
  if (codes_.size() < codes_.capacity() / 2) codes_.shrink_to_fit();
  return PriorRugList{std::move(codes_)};
}

void PriorRugListBuilder::take_line(std::string_view line) {
  // LF never occurs inside a multi-byte sequence, so the file is valid UTF-8 exactly when each of
  // its lines is.
  if (!is_valid_utf8(line)) {
    invalid_ = true;
    codes_ = std::vector<std::uint64_t>();
    return;
  }
  // Editors that save "UTF-8 with BOM" put U+FEFF first; it is a signature, not text.
  constexpr std::string_view bom = "\xEF\xBB\xBF";
  if (at_start_ && line.starts_with(bom)) line.remove_prefix(bom.size());
  at_start_ = false;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  // Cutting at '#' or at a CR keeps the text valid UTF-8: both are single-byte characters.
  const std::optional<std::uint64_t> code =
      encode_account_name(trim_white_space(line.substr(0, line.find('#'))));
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

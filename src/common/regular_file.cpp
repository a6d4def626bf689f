#include "common/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <vector>

#include "common/unique_fd.h"

namespace tarnwick {
namespace {

constexpr std::size_t read_piece_size = 65'536;

}  // namespace

bool read_regular_file(const std::filesystem::path& path,
                       const std::function<bool(std::string_view)>& take) {
  // Opened without blocking, so that a FIFO with no writer cannot hold start-up before the check
  // below refuses it.
  const UniqueFd file_fd{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (!file_fd.valid()) return false;
  const int fd = file_fd.get();
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return false;
  std::vector<char> piece(read_piece_size);
  while (true) {
    const ssize_t got = ::read(fd, piece.data(), piece.size());
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;  // a failing disk or a broken network mount
    }
    if (!take(std::string_view(piece.data(), static_cast<std::size_t>(got)))) return false;
  }
}

}  // namespace tarnwick

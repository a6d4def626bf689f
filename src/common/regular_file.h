// Reading a file of the data folder at start-up: only a regular file is read, and a file that is
// something else is never opened for reading in a way that could block (a FIFO without a writer,
// a device), so no file there can hold start-up. Failures are values.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace tarnwick {

// Hands the bytes of the regular file at `path` to take(piece), in order and in pieces of any
// size, until take returns false or the file ends. True when the file was read to its end; false
// when it cannot be opened, is no regular file, a read fails, or take stopped the reading (some
// bytes may have been handed over by then). Throws only what take throws.
bool read_regular_file(const std::filesystem::path& path,
                       const std::function<bool(std::string_view)>& take);

}  // namespace tarnwick

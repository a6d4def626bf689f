// What tests and benchmarks check about a running process: its open descriptors, threads,
// resident memory and child processes. Read from /proc where the system has it, from libproc on
// macOS; none on a system with neither, so a caller can say that it did not measure.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <vector>

namespace tarnwick::test {

std::optional<std::size_t> open_descriptor_count(pid_t pid);
std::optional<std::size_t> thread_count(pid_t pid);
std::optional<std::size_t> resident_kib(pid_t pid);

struct ChildProcess {
  pid_t pid = 0;
  bool zombie = false;  // ended, not yet reaped by its parent
  friend bool operator==(const ChildProcess&, const ChildProcess&) = default;
};

// The processes whose parent is `parent`.
std::optional<std::vector<ChildProcess>> children_of(pid_t parent);

}  // namespace tarnwick::test

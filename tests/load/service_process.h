// ServiceProcess: the shipped binary running as a child process on 127.0.0.1:8070, in a scratch
// HOME, with stand-in browser commands (xdg-open, open) that do nothing first on PATH. Killed and
// reaped when the owner goes away. Not product code.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/unique_fd.h"

namespace tarnwick::test {

class ServiceProcess {
 public:
  // Spawns `binary` and waits (generously) for its banner line; ready() tells whether it came.
  explicit ServiceProcess(const std::string& binary);
  ~ServiceProcess();
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  bool ready() const { return ready_; }
  pid_t pid() const { return pid_; }
  // True while the process has not ended.
  bool running();

  // Open descriptors and resident memory in KiB (support/process_inspect.h); none where the
  // system does not tell.
  std::optional<std::size_t> open_descriptors() const;
  std::optional<std::size_t> resident_kib() const;

 private:
  std::filesystem::path root_;
  pid_t pid_ = -1;
  bool ended_ = false;
  bool ready_ = false;
  UniqueFd stderr_;
};

// One request to 127.0.0.1:8070 in one write; the raw answer read to the end. The connection is
// then closed with a reset, so no TIME_WAIT is left on the service's port.
std::string exchange_8070(std::string_view request);

}  // namespace tarnwick::test

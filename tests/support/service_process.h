// The shipped binary as a child process, for the process, load and benchmark programs: a scratch
// folder that gives it HOME and stand-in browser commands (xdg-open, open) first on PATH, which
// record the URL they are given; the process with its standard output and error on pipes, killed
// and reaped when the owner goes away; and the exact /health answer. Not product code.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/unique_fd.h"

namespace tarnwick::test {

// The complete answer to GET /health, byte for byte.
inline constexpr std::string_view health_answer =
    "HTTP/1.1 200 OK\r\n"
    "Content-Type: text/plain\r\n"
    "Content-Length: 2\r\n"
    "Cache-Control: no-store\r\n"
    "X-Content-Type-Options: nosniff\r\n"
    "Connection: close\r\n"
    "\r\n"
    "ok";

// A bound for waits that only guard against hangs; never a timing check.
inline constexpr std::chrono::seconds generous_wait{60};

class ScratchHome {
 public:
  ScratchHome();
  ~ScratchHome();
  ScratchHome(const ScratchHome&) = delete;
  ScratchHome& operator=(const ScratchHome&) = delete;

  std::filesystem::path home() const { return root_ / "home"; }
  // The file the stand-in browser commands append each URL to, one per line.
  std::filesystem::path record() const { return root_ / "opened.txt"; }
  std::filesystem::path root() const { return root_; }
  // HOME, PATH, `extra`, and the sanitizers' own variables when set (the product reads only HOME).
  std::vector<std::string> environment(const std::vector<std::string>& extra = {}) const;
  // The URLs recorded once there are at least `count`, or what is there after generous_wait.
  std::vector<std::string> wait_for_opened(std::size_t count) const;

 private:
  std::filesystem::path root_;
};

class ServiceProcess {
 public:
  // Spawns `binary` with `environment` (ScratchHome::environment()).
  ServiceProcess(const std::string& binary, const std::vector<std::string>& environment);
  ~ServiceProcess();
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  int stdout_fd() const { return stdout_.get(); }
  int stderr_fd() const { return stderr_.get(); }
  // Reads standard error up to the banner line; true when it is the banner.
  bool wait_for_banner() const;
  // True while the process has not ended.
  bool running();
  // The exit status once the process has ended (within generous_wait); none if it has not ended
  // or did not exit normally.
  std::optional<int> wait_exit();

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  UniqueFd stdout_;
  UniqueFd stderr_;
};

// Everything from `fd` until end of stream, or until `limit` passes without data.
std::string read_until_closed(int fd, std::chrono::seconds limit = generous_wait);
// From `fd` up to and including the first line feed (or until the stream ends).
std::string read_line(int fd);

// One request to 127.0.0.1:8070 in one write; the raw answer read to the end. The connection is
// then closed with a reset, so no TIME_WAIT is left on the service's port.
std::string exchange_8070(std::string_view request);

}  // namespace tarnwick::test

#include "load/service_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "support/process_inspect.h"
#include "support/serving_harness.h"

namespace tarnwick::test {

namespace fs = std::filesystem;

ServiceProcess::ServiceProcess(const std::string& binary) {
  std::string pattern = (fs::temp_directory_path() / "tarnwick-load-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return;
  root_ = pattern;
  fs::create_directories(root_ / "home");
  fs::create_directories(root_ / "bin");
  for (const char* name : {"xdg-open", "open"}) {
    std::ofstream(root_ / "bin" / name) << "#!/bin/sh\nexit 0\n";
    fs::permissions(root_ / "bin" / name, fs::perms::owner_all);
  }

  std::array<int, 2> err{};
  if (::pipe(err.data()) != 0) return;
  ::fcntl(err[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(err[1], F_SETFD, FD_CLOEXEC);
  stderr_ = UniqueFd(err[0]);
  const UniqueFd err_write(err[1]);

  std::vector<std::string> env_text = {"HOME=" + (root_ / "home").string(),
                                       "PATH=" + (root_ / "bin").string() + ":/usr/bin:/bin"};
  // A sanitizer build reports through these; the product itself reads only HOME.
  for (const char* name : {"UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) env_text.push_back(std::string(name) + "=" + value);
  }
  // AddressSanitizer holds freed memory in a quarantine of up to 256 MiB before reusing it, which
  // would read as growth; without it, resident memory shows what the service itself keeps.
  const char* asan_options = std::getenv("ASAN_OPTIONS");
  env_text.push_back(std::string("ASAN_OPTIONS=") + (asan_options ? asan_options : "") +
                     (asan_options && *asan_options ? ":" : "") + "quarantine_size_mb=0");
  std::vector<char*> env;
  for (std::string& entry : env_text) env.push_back(entry.data());
  env.push_back(nullptr);
  std::string program = binary;
  std::array<char*, 2> argv = {program.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, err_write.get(), STDERR_FILENO);
  if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), env.data()) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  if (pid_ <= 0) return;

  // The banner is the one line the service prints once it serves.
  std::string line;
  char c = 0;
  while (line.empty() || line.back() != '\n') {
    pollfd waiting{stderr_.get(), POLLIN, 0};
    const int ready = ::poll(&waiting, 1, 60'000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || ::read(stderr_.get(), &c, 1) != 1) break;
    line.push_back(c);
  }
  ready_ = line.starts_with("Tarnwick scanner ");
}

ServiceProcess::~ServiceProcess() {
  if (pid_ > 0 && running()) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  std::error_code ignored;
  if (!root_.empty()) fs::remove_all(root_, ignored);
}

bool ServiceProcess::running() {
  if (ended_ || pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) ended_ = true;
  return !ended_;
}

std::optional<std::size_t> ServiceProcess::open_descriptors() const {
  return open_descriptor_count(pid_);
}

std::optional<std::size_t> ServiceProcess::resident_kib() const { return test::resident_kib(pid_); }

std::string exchange_8070(std::string_view request) {
  LoopbackClient client(8070);
  if (!client.ok() || !client.send(request)) return {};
  std::string answer = client.read_to_end();
  client.abort();
  return answer;
}

}  // namespace tarnwick::test

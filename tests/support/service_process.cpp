#include "support/service_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <thread>

#include "support/serving_harness.h"

namespace tarnwick::test {

namespace fs = std::filesystem;

ScratchHome::ScratchHome() {
  std::string pattern = (fs::temp_directory_path() / "tarnwick-process-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();  // a temporary folder must work in tests
  root_ = pattern;
  fs::create_directories(home());
  fs::create_directories(root_ / "bin");
  for (const char* name : {"xdg-open", "open"}) {
    const fs::path script = root_ / "bin" / name;
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << record().string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
  }
}

ScratchHome::~ScratchHome() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::vector<std::string> ScratchHome::environment(const std::vector<std::string>& extra) const {
  std::vector<std::string> environment = {"HOME=" + home().string(),
                                          "PATH=" + (root_ / "bin").string() + ":/usr/bin:/bin"};
  environment.insert(environment.end(), extra.begin(), extra.end());
  for (const char* name : {"UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name))
      environment.push_back(std::string(name) + "=" + value);
  }
  // AddressSanitizer holds freed memory in a quarantine of up to 256 MiB before reusing it, which
  // would read as growth; without it, resident memory shows what the service itself keeps.
  const char* asan = std::getenv("ASAN_OPTIONS");
  environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                        (asan && *asan ? ":" : "") + "quarantine_size_mb=0");
  return environment;
}

std::vector<std::string> ScratchHome::wait_for_opened(std::size_t count) const {
  const auto deadline = std::chrono::steady_clock::now() + generous_wait;
  std::vector<std::string> lines;
  while (true) {
    lines.clear();
    std::ifstream in(record());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.size() >= count || std::chrono::steady_clock::now() > deadline) return lines;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

namespace {

// Waits, a few seconds at most, until 127.0.0.1:8070 can be bound as the service binds it: a
// service of the test before may still be on its way out, and a new one would then find the
// port taken and take that service for a running instance.
void wait_until_8070_is_free() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  do {
    const UniqueFd probe(::socket(AF_INET, SOCK_STREAM, 0));
    const int on = 1;
    ::setsockopt(probe.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(8070);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (std::chrono::steady_clock::now() < deadline);
}

}  // namespace

ServiceProcess::ServiceProcess(const std::string& binary,
                               const std::vector<std::string>& environment) {
  wait_until_8070_is_free();
  std::array<int, 2> out{};
  std::array<int, 2> err{};
  if (::pipe(out.data()) != 0 || ::pipe(err.data()) != 0) return;
  for (const int fd : {out[0], out[1], err[0], err[1]}) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  stdout_ = UniqueFd(out[0]);
  stderr_ = UniqueFd(err[0]);
  const UniqueFd out_write(out[1]);
  const UniqueFd err_write(err[1]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_write.get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_write.get(), STDERR_FILENO);
  std::vector<std::string> env_text = environment;
  std::vector<char*> env;
  for (std::string& entry : env_text) env.push_back(entry.data());
  env.push_back(nullptr);
  std::string program = binary;
  std::array<char*, 2> argv = {program.data(), nullptr};
  if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), env.data()) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
}

ServiceProcess::~ServiceProcess() {
  if (pid_ > 0 && !status_) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

bool ServiceProcess::wait_for_banner() const {
  return started() && read_line(stderr_.get()).starts_with("Tarnwick scanner ");
}

bool ServiceProcess::running() {
  if (status_ || pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
  return !status_;
}

std::optional<int> ServiceProcess::wait_exit() {
  const auto deadline = std::chrono::steady_clock::now() + generous_wait;
  while (!status_) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      status_ = status;
    } else if (std::chrono::steady_clock::now() > deadline) {
      return std::nullopt;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  if (!WIFEXITED(*status_)) return std::nullopt;
  return WEXITSTATUS(*status_);
}

std::string read_until_closed(int fd, std::chrono::seconds limit) {
  std::string text;
  std::array<char, 1024> buffer{};
  while (true) {
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(limit.count() * 1000));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return text;
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return text;
    text.append(buffer.data(), static_cast<std::size_t>(got));
  }
}

std::string read_line(int fd) {
  std::string line;
  char c = 0;
  while (line.empty() || line.back() != '\n') {
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(generous_wait.count() * 1000));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || ::read(fd, &c, 1) != 1) break;
    line.push_back(c);
  }
  return line;
}

std::string exchange_8070(std::string_view request) {
  LoopbackClient client(8070);
  if (!client.ok() || !client.send(request)) return {};
  std::string answer = client.read_to_end();
  client.abort();
  return answer;
}

}  // namespace tarnwick::test

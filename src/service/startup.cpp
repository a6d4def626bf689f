#include "service/startup.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "assess/renderings.h"
#include "service/listener.h"

namespace tarnwick {
namespace {

#if defined(__APPLE__)
constexpr std::string_view browser_command = "open";
#else
constexpr std::string_view browser_command = "xdg-open";
#endif

// Used when PATH is unset, as the shells do.
constexpr std::string_view default_search_path = "/usr/bin:/bin";

bool is_executable_file(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// Starts `program` with `argument` in a grandchild and reaps the intermediate child at once.
// Only async-signal-safe calls run after fork, so this is sound in a threaded process too.
void spawn_detached(const std::string& program, const std::string& argument) {
  std::string program_copy = program;
  std::string argument_copy = argument;
  const std::array<char*, 3> argv = {program_copy.data(), argument_copy.data(), nullptr};
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    if (::fork() == 0) {
      std::signal(SIGPIPE, SIG_DFL);  // the service ignores SIGPIPE; the command should not
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::_exit(0);
  }
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

bool browser_url_allowed(std::string_view url) {
  return url.starts_with("http://127.0.0.1:") || url.starts_with("http://localhost:") ||
         url.starts_with("https://");
}

std::optional<std::string> find_on_path(std::string_view name, std::string_view search_path) {
  while (true) {
    const std::size_t colon = search_path.find(':');
    const std::string_view dir = search_path.substr(0, colon);
    // Empty and relative entries name the current folder, which is wherever the service was
    // started from: a program found there is not the user's browser command.
    if (dir.starts_with('/')) {
      std::string candidate(dir);
      candidate.append("/").append(name);
      if (is_executable_file(candidate)) return candidate;
    }
    if (colon == std::string_view::npos) return std::nullopt;
    search_path.remove_prefix(colon + 1);
  }
}

void open_in_browser(std::string_view url) {
  if (!browser_url_allowed(url)) return;
  const char* path = std::getenv("PATH");
  const std::optional<std::string> program =
      find_on_path(browser_command, path != nullptr ? std::string_view(path) : default_search_path);
  if (!program) return;
  spawn_detached(*program, std::string(url));
}

std::string banner_line() {
  std::string line = "Tarnwick scanner ";
  line.append(version_label).append(" \u00B7 ").append(service_url());
  line.append(" \u00B7 read-only \u00B7 non-custodial \u00B7 know before you ape\n");
  return line;
}

std::string bind_failure_line(int error) {
  std::string line = "Tarnwick: cannot bind " + service_authority() + " \u2014 ";
  line.append(std::strerror(error))
      .append(" (os error ")
      .append(std::to_string(error))
      .append(")\n");
  return line;
}

}  // namespace tarnwick

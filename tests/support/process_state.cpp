#include "support/process_state.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#if __has_include(<libproc.h>)
#include <libproc.h>
#include <sys/proc.h>
#include <sys/proc_info.h>
#define TARNWICK_HAVE_LIBPROC 1
#endif

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

#if !defined(TARNWICK_HAVE_LIBPROC)
fs::path proc_entry(pid_t pid) { return fs::path("/proc") / std::to_string(pid); }

std::optional<std::size_t> entries_in(const fs::path& folder) {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return std::nullopt;
  std::size_t count = 0;
  for (; entries != fs::directory_iterator(); entries.increment(error)) {
    if (error) return std::nullopt;
    ++count;
  }
  return count;
}
#else
std::optional<proc_taskinfo> task_info(pid_t pid) {
  proc_taskinfo info{};
  if (::proc_pidinfo(pid, PROC_PIDTASKINFO, 0, &info, sizeof info) != sizeof info) {
    return std::nullopt;
  }
  return info;
}
#endif

}  // namespace

#if !defined(TARNWICK_HAVE_LIBPROC)

std::optional<std::size_t> open_descriptor_count(pid_t pid) {
  return entries_in(proc_entry(pid) / "fd");
}

std::optional<std::size_t> thread_count(pid_t pid) { return entries_in(proc_entry(pid) / "task"); }

std::optional<std::size_t> resident_kib(pid_t pid) {
  std::ifstream status(proc_entry(pid) / "status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stoull(line.substr(6));
  }
  return std::nullopt;
}

std::optional<std::vector<ChildProcess>> children_of(pid_t parent) {
  std::error_code error;
  fs::directory_iterator entries("/proc", error);
  if (error) return std::nullopt;
  std::vector<ChildProcess> children;
  for (const fs::directory_entry& entry : entries) {
    std::ifstream in(entry.path() / "stat");
    std::string stat;
    if (!std::getline(in, stat)) continue;
    // "pid (comm) state ppid ...": comm may hold spaces, so read after the last ')'.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 1));
    std::string state;
    long ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent) {
      children.push_back({static_cast<pid_t>(std::stol(stat)), state == "Z"});
    }
  }
  return children;
}

#else  // macOS

std::optional<std::size_t> open_descriptor_count(pid_t pid) {
  const int bytes = ::proc_pidinfo(pid, PROC_PIDLISTFDS, 0, nullptr, 0);
  if (bytes <= 0) return std::nullopt;
  std::vector<proc_fdinfo> fds(static_cast<std::size_t>(bytes) / sizeof(proc_fdinfo) + 16);
  const int filled = ::proc_pidinfo(pid, PROC_PIDLISTFDS, 0, fds.data(),
                                    static_cast<int>(fds.size() * sizeof(proc_fdinfo)));
  if (filled < 0) return std::nullopt;
  return static_cast<std::size_t>(filled) / sizeof(proc_fdinfo);
}

std::optional<std::size_t> thread_count(pid_t pid) {
  const auto info = task_info(pid);
  if (!info) return std::nullopt;
  return static_cast<std::size_t>(info->pti_threadnum);
}

std::optional<std::size_t> resident_kib(pid_t pid) {
  const auto info = task_info(pid);
  if (!info) return std::nullopt;
  return static_cast<std::size_t>(info->pti_resident_size / 1024);
}

std::optional<std::vector<ChildProcess>> children_of(pid_t parent) {
  std::vector<pid_t> pids(4096);
  const int bytes = ::proc_listpids(PROC_PPID_ONLY, static_cast<std::uint32_t>(parent), pids.data(),
                                    static_cast<int>(pids.size() * sizeof(pid_t)));
  if (bytes < 0) return std::nullopt;
  std::vector<ChildProcess> children;
  for (std::size_t i = 0; i < static_cast<std::size_t>(bytes) / sizeof(pid_t); ++i) {
    if (pids[i] == 0) continue;
    proc_bsdinfo info{};
    const bool read =
        ::proc_pidinfo(pids[i], PROC_PIDTBSDINFO, 0, &info, sizeof info) == sizeof info;
    // A zombie may no longer report its BSD information: count it as one.
    children.push_back({pids[i], !read || info.pbi_status == SZOMB});
  }
  return children;
}

#endif

}  // namespace tarnwick::test

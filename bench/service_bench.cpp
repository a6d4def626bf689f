// The shipped binary as a process: /health requests per second against a minimal
// accept/recv/send/close loop (the same client, the same machine, interleaved rounds, the ratio
// within one run), start-up time to the first /health answer, and resident memory when idle.
// Needs 127.0.0.1:8070 free.
//
//   service_bench [requests-per-round]      (default 20000; 3 interleaved rounds, best kept)
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "service/listener.h"
#include "support/process_state.h"
#include "support/service_process.h"
#include "support/serving_harness.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using tarnwick::LoopbackClient;

const std::string health_request = tarnwick::get_request("/health");
using tarnwick::test::health_answer;

// One request on a new connection, the answer read to the end, then a reset (no TIME_WAIT).
bool health_once(std::uint16_t port) {
  LoopbackClient client(port);
  if (!client.ok() || !client.send(health_request)) return false;
  const bool ok = client.read_to_end() == health_answer;
  client.abort();
  return ok;
}

double requests_per_second(std::uint16_t port, int requests) {
  int failed = 0;
  const auto start = Clock::now();
  for (int i = 0; i < requests; ++i) failed += health_once(port) ? 0 : 1;
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (failed > 0) std::fprintf(stderr, "%d requests failed on port %u\n", failed, port);
  return requests / seconds;
}

// The comparison server in a child process: accept, one recv of up to 2048 bytes, one send of the
// fixed answer, close. No guards, no routing, no framing code.
pid_t start_minimal_server(std::uint16_t& port) {
  auto claimed = tarnwick::open_loopback_listener(0);
  if (!std::holds_alternative<tarnwick::UniqueFd>(claimed)) return -1;
  const tarnwick::UniqueFd listener = std::move(std::get<tarnwick::UniqueFd>(claimed));
  port = tarnwick::bound_port(listener.get());
  const pid_t child = ::fork();
  if (child != 0) return child;
  std::array<char, 2048> buffer{};
  while (true) {
    const int fd = ::accept(listener.get(), nullptr, nullptr);
    if (fd < 0) continue;
    if (::recv(fd, buffer.data(), buffer.size(), 0) >= 0) {
      ::send(fd, health_answer.data(), health_answer.size(), tarnwick::no_sigpipe_send_flags);
    }
    ::close(fd);
  }
}

// The binary in a scratch HOME (support/service_process.h), timed from its spawn.
class Service : public tarnwick::test::ServiceProcess {
 public:
  explicit Service(const tarnwick::test::ScratchHome& home)
      : ServiceProcess(TARNWICK_BINARY, home.environment()), started_(Clock::now()) {}

  // Seconds from the spawn to the first complete /health answer; none after 30 s without one.
  std::optional<double> seconds_to_first_answer() const {
    while (Clock::now() - started_ < std::chrono::seconds(30)) {
      if (health_once(8070)) return std::chrono::duration<double>(Clock::now() - started_).count();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return std::nullopt;
  }
  // A field of Linux's /proc/<pid>/status or smaps_rollup in KiB ("RssAnon", "Pss"); none on
  // systems without them.
  std::optional<long> kib(const char* file, const std::string& field) const {
    std::ifstream in(fs::path("/proc") / std::to_string(pid()) / file);
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with(field + ":")) return std::atol(line.c_str() + field.size() + 1);
    }
    return std::nullopt;
  }

 private:
  Clock::time_point started_;
};

void print_kib(const char* label, std::optional<long> value) {
  if (value) {
    std::printf("| %-44s | %10.2f MiB |\n", label, static_cast<double>(*value) / 1024.0);
  } else {
    std::printf("| %-44s | %14s |\n", label, "n/a");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  constexpr int rounds = 3;
  constexpr int starts = 10;
  std::signal(SIGPIPE, SIG_IGN);
  if (LoopbackClient(8070).ok()) {
    std::fprintf(stderr, "127.0.0.1:8070 is in use: stop the running service first\n");
    return 1;
  }
  const tarnwick::test::ScratchHome home;

  std::uint16_t minimal_port = 0;
  const pid_t minimal = start_minimal_server(minimal_port);
  if (minimal <= 0) return 1;

  std::vector<double> start_times;
  for (int i = 0; i < starts; ++i) {
    const Service service(home);
    if (const auto seconds = service.seconds_to_first_answer()) start_times.push_back(*seconds);
  }
  std::sort(start_times.begin(), start_times.end());

  double best_service = 0;
  double best_minimal = 0;
  std::optional<long> rss, anon, pss;
  {
    const Service service(home);
    if (!service.seconds_to_first_answer()) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (const auto kib = tarnwick::test::resident_kib(service.pid())) rss = static_cast<long>(*kib);
    anon = service.kib("status", "RssAnon");
    pss = service.kib("smaps_rollup", "Pss");
    requests_per_second(8070, 1000);  // warm-up, not counted
    requests_per_second(minimal_port, 1000);
    for (int round = 0; round < rounds; ++round) {
      best_service = std::max(best_service, requests_per_second(8070, requests));
      best_minimal = std::max(best_minimal, requests_per_second(minimal_port, requests));
    }
  }
  ::kill(minimal, SIGKILL);
  int status = 0;
  ::waitpid(minimal, &status, 0);

  std::printf("/health: %d sequential connections per round, %d interleaved rounds, best kept\n",
              requests, rounds);
  std::printf("| %-44s | %14s |\n", "figure", "value");
  std::printf("|%s|%s|\n", std::string(46, '-').c_str(), std::string(16, '-').c_str());
  std::printf("| %-44s | %10.0f r/s |\n", "/health, tarnwick binary", best_service);
  std::printf("| %-44s | %10.0f r/s |\n", "/health, minimal accept/recv/send/close loop",
              best_minimal);
  std::printf("| %-44s | %14.3f |\n", "ratio tarnwick / minimal (goal >= 0.9)",
              best_service / best_minimal);
  if (!start_times.empty()) {
    std::printf("| %-44s | %11.1f ms |\n", "start-up to first /health answer, median",
                1000 * start_times[start_times.size() / 2]);
    std::printf("| %-44s | %11.1f ms |\n", "start-up to first /health answer, fastest",
                1000 * start_times.front());
  }
  print_kib("idle resident memory, VmRSS (goal < 10 MiB)", rss);
  print_kib("  of which private anonymous (RssAnon)", anon);
  print_kib("  proportional share, libraries split (Pss)", pss);
  return 0;
}

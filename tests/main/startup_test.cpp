// The shipped binary as a process: start-up on 127.0.0.1:8070, the banner, the page opened in the
// browser, a second instance handing over, and the bind failure line. The browser commands are
// stand-in scripts that record their argument.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/unique_fd.h"
#include "service/listener.h"
#include "support/process_inspect.h"
#include "support/serving_harness.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

constexpr seconds generous = seconds(60);

// A scratch folder: HOME, the stand-in browser commands first on PATH, and the record they write.
class Sandbox {
 public:
  Sandbox() {
    std::string pattern = (fs::temp_directory_path() / "tarnwick-process-XXXXXX").string();
    root_ = fs::path(::mkdtemp(pattern.data()));
    fs::create_directories(root_ / "home");
    fs::create_directories(root_ / "bin");
    for (const char* name : {"xdg-open", "open"}) {
      const fs::path script = root_ / "bin" / name;
      std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << record().string()
                            << "'\n";
      fs::permissions(script, fs::perms::owner_all);
    }
  }
  ~Sandbox() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  fs::path record() const { return root_ / "opened.txt"; }
  // Where the HTTPS library would write TLS session keys if it saw SSLKEYLOGFILE.
  fs::path key_log() const { return root_ / "keys.log"; }
  std::vector<std::string> environment() const {
    return {"HOME=" + (root_ / "home").string(),
            "PATH=" + (root_ / "bin").string() + ":/usr/bin:/bin",
            "SSLKEYLOGFILE=" + key_log().string()};
  }

  // The lines the browser commands recorded once there are at least `count`, or what is there
  // when the generous bound has passed.
  std::vector<std::string> wait_for_opened(std::size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + generous;
    std::vector<std::string> lines;
    while (true) {
      lines.clear();
      std::ifstream in(record());
      for (std::string line; std::getline(in, line);) lines.push_back(line);
      if (lines.size() >= count || std::chrono::steady_clock::now() > deadline) return lines;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

 private:
  fs::path root_;
};

// Reads everything from `fd` until end of stream, or until `limit` passes without data.
std::string read_until_closed(int fd, seconds limit = generous) {
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

// Reads from `fd` up to and including the first line feed (or until the stream ends).
std::string read_line(int fd) {
  std::string line;
  char c = 0;
  while (line.empty() || line.back() != '\n') {
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(generous.count() * 1000));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || ::read(fd, &c, 1) != 1) break;
    line.push_back(c);
  }
  return line;
}

// The binary running as a child process with its stdout and stderr on pipes. Killed and reaped
// when the owner goes away.
class Service {
 public:
  explicit Service(const Sandbox& sandbox) {
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
    std::vector<std::string> env_text = sandbox.environment();
    std::vector<char*> env;
    for (std::string& entry : env_text) env.push_back(entry.data());
    env.push_back(nullptr);
    std::string program = TARNWICK_BINARY;
    std::array<char*, 2> argv = {program.data(), nullptr};
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), env.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Service() {
    if (pid_ > 0 && !status_) {
      ::kill(pid_, SIGKILL);
      static_cast<void>(wait_exit());
    }
  }
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  int stderr_fd() const { return stderr_.get(); }
  int stdout_fd() const { return stdout_.get(); }

  // The exit status once the process has ended (within the generous bound); none if it has not
  // ended or did not exit normally.
  std::optional<int> wait_exit() {
    const auto deadline = std::chrono::steady_clock::now() + generous;
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

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  UniqueFd stdout_;
  UniqueFd stderr_;
};

constexpr std::string_view banner =
    "Tarnwick scanner v0.1.0 \xC2\xB7 http://127.0.0.1:8070 \xC2\xB7 read-only \xC2\xB7 "
    "non-custodial \xC2\xB7 know before you ape\n";

sockaddr_in service_address() {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(8070);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A socket bound to 127.0.0.1:8070 with the given address reuse; empty if the bind fails.
UniqueFd bind_port_8070(bool reuse_address) {
  UniqueFd fd = open_ipv4_stream_socket();
  const int on = 1;
  if (reuse_address) ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const sockaddr_in address = service_address();
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return UniqueFd{};
  }
  return fd;
}

// A socket bound to 127.0.0.1:8070 that does not listen. It binds without SO_REUSEADDR, so the
// service cannot bind beside it; such a bind also fails while a closed connection of the port
// lingers in TIME_WAIT (up to a minute on Linux), so it is retried for a generous while.
UniqueFd hold_port_8070() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  while (true) {
    UniqueFd fd = bind_port_8070(false);
    if (fd.valid() || std::chrono::steady_clock::now() > deadline) return fd;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // With address reuse the bind fails only when a socket listens on the port.
    ASSERT_TRUE(bind_port_8070(true).valid())
        << "port 127.0.0.1:8070 is in use by another program; these tests need it free";
  }
  Sandbox sandbox_;
};

std::string health_through_port_8070() {
  LoopbackClient client(8070);
  if (!client.ok() || !client.send(get_request("/health"))) return {};
  std::string answer = client.read_to_end();
  client.abort();
  return answer;
}

TEST_F(ProcessTest, StartsServingPrintsTheBannerAndOpensThePage) {
  Service service(sandbox_);
  ASSERT_TRUE(service.started());
  EXPECT_EQ(read_line(service.stderr_fd()), banner);
  EXPECT_FALSE(fs::exists(sandbox_.key_log()));  // the HTTPS library starts before the banner
  EXPECT_EQ(sandbox_.wait_for_opened(1), std::vector<std::string>{"http://127.0.0.1:8070"});
  // The browser command ran as a grandchild; the intermediate child was reaped at once, so the
  // service has no child left, zombie or otherwise.
  EXPECT_EQ(test::children_of(service.pid()), std::vector<test::ChildProcess>{});
  const HttpAnswer answer = parse_answer(health_through_port_8070());
  EXPECT_EQ(answer.status_line, "HTTP/1.1 200 OK");
  EXPECT_EQ(answer.body, "ok");
}

TEST_F(ProcessTest, SecondInstanceOpensTheRunningPageAndExitsQuietly) {
  Service first(sandbox_);
  ASSERT_TRUE(first.started());
  ASSERT_EQ(read_line(first.stderr_fd()), banner);

  Service second(sandbox_);
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.wait_exit(), 0);
  EXPECT_EQ(read_until_closed(second.stderr_fd()), "");
  EXPECT_EQ(read_until_closed(second.stdout_fd()), "");
  EXPECT_EQ(sandbox_.wait_for_opened(2),
            (std::vector<std::string>{"http://127.0.0.1:8070", "http://127.0.0.1:8070"}));

  EXPECT_EQ(parse_answer(health_through_port_8070()).body, "ok");  // the first keeps serving
}

TEST_F(ProcessTest, PortHeldByANonListeningSocketGivesTheBindFailure) {
  const UniqueFd holder = hold_port_8070();
  ASSERT_TRUE(holder.valid()) << "127.0.0.1:8070 could not be bound without address reuse";
  Service service(sandbox_);
  ASSERT_TRUE(service.started());
  EXPECT_EQ(service.wait_exit(), 1);
  EXPECT_EQ(read_until_closed(service.stderr_fd()),
            "Tarnwick: cannot bind 127.0.0.1:8070 \xE2\x80\x94 " +
                std::string(std::strerror(EADDRINUSE)) + " (os error " +
                std::to_string(EADDRINUSE) + ")\n");
  EXPECT_EQ(read_until_closed(service.stdout_fd()), "");
  EXPECT_FALSE(fs::exists(sandbox_.record()));
}

}  // namespace
}  // namespace tarnwick

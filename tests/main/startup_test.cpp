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
#include "support/process_state.h"
#include "support/service_process.h"
#include "support/serving_harness.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// The service in a scratch HOME whose stand-in browser commands record what they open; the
// environment also names a TLS key log, which the HTTPS library must never write.
class Sandbox : public test::ScratchHome {
 public:
  fs::path key_log() const { return root() / "keys.log"; }
  std::vector<std::string> service_environment() const {
    return environment({"SSLKEYLOGFILE=" + key_log().string()});
  }
};

class Service : public test::ServiceProcess {
 public:
  explicit Service(const Sandbox& sandbox)
      : ServiceProcess(TARNWICK_BINARY, sandbox.service_environment()) {}
};

using test::read_line;
using test::read_until_closed;

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

TEST_F(ProcessTest, StartsServingPrintsTheBannerAndOpensThePage) {
  Service service(sandbox_);
  ASSERT_TRUE(service.started());
  EXPECT_EQ(read_line(service.stderr_fd()), banner);
  EXPECT_FALSE(fs::exists(sandbox_.key_log()));  // the HTTPS library starts before the banner
  EXPECT_EQ(sandbox_.wait_for_opened(1), std::vector<std::string>{"http://127.0.0.1:8070"});
  // The browser command ran as a grandchild; the intermediate child was reaped at once, so the
  // service has no child left, zombie or otherwise.
  EXPECT_EQ(test::children_of(service.pid()), std::vector<test::ChildProcess>{});
  const HttpAnswer answer = parse_answer(test::exchange_8070(get_request("/health")));
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

  EXPECT_EQ(parse_answer(test::exchange_8070(get_request("/health"))).body,
            "ok");  // the first keeps serving
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

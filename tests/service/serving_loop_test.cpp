#include "service/serving_loop.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "common/unique_fd.h"
#include "service/cockpit/cockpit_page.h"
#include "service/listener.h"
#include "support/process_state.h"
#include "support/service_process.h"
#include "support/serving_harness.h"

namespace tarnwick {
namespace {

class ServingLoopTest : public ::testing::Test {
 protected:
  const ScanContext context_ = unreachable_node_context();
  ServingHarness service_{context_};
};

using test::health_answer;

TEST_F(ServingLoopTest, HealthAnswerByteForByte) {
  EXPECT_EQ(service_.exchange(get_request("/health")), health_answer);
  EXPECT_EQ(service_.exchange("GET /health HTTP/1.1\r\nHost: 127.0.0.1:8070\r\n\r\n"),
            health_answer);
}

TEST_F(ServingLoopTest, RejectionsAndNotFoundAreFramedAlike) {
  struct Case {
    std::string request;
    std::string status_line;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"POST /scan?token=abc HTTP/1.1\r\nHost: localhost:8070\r\n\r\n",
       "HTTP/1.1 405 Method Not Allowed", "method not allowed"},
      {"GET /health HTTP/1.1\r\nHost: example.com\r\n\r\n", "HTTP/1.1 403 Forbidden",
       "forbidden host"},
      {get_request("/favicon.ico"), "HTTP/1.1 404 Not Found", "not found"},
      {std::string("\xFF\xFE\x00garbage", 10), "HTTP/1.1 405 Method Not Allowed",
       "method not allowed"},
  };
  for (const Case& c : cases) {
    const HttpAnswer answer = parse_answer(service_.exchange(c.request));
    ASSERT_TRUE(answer.complete) << c.request;
    EXPECT_EQ(answer.status_line, c.status_line) << c.request;
    EXPECT_EQ(
        answer.header_lines,
        (std::vector<std::string>{
            "Content-Type: text/plain", "Content-Length: " + std::to_string(c.body.size()),
            "Cache-Control: no-store", "X-Content-Type-Options: nosniff", "Connection: close"}))
        << c.request;
    EXPECT_EQ(answer.body, c.body) << c.request;
  }
}

TEST_F(ServingLoopTest, CockpitPageWithItsByteLength) {
  const HttpAnswer answer = parse_answer(service_.exchange(get_request("/index.html?x=1")));
  EXPECT_EQ(answer.status_line, "HTTP/1.1 200 OK");
  EXPECT_EQ(answer.header("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(answer.header("Content-Length"), std::to_string(cockpit_page().size()));
  EXPECT_EQ(answer.body, cockpit_page());
}

TEST_F(ServingLoopTest, OnlyTheFirst2048BytesAreSeen) {
  // The Host line lies beyond the one receive: 403, and the rest of the bytes are never read.
  const std::string request = "GET /health HTTP/1.1\r\nX-Pad: " + std::string(3000, 'a') +
                              "\r\nHost: localhost:8070\r\n\r\n";
  EXPECT_EQ(parse_answer(service_.exchange(request)).status_line, "HTTP/1.1 403 Forbidden");
  EXPECT_EQ(service_.exchange(get_request("/health")), health_answer);
}

TEST_F(ServingLoopTest, LongRequestEndsInAnOrderlyCloseNotAReset) {
  // Large cookies can push a browser's request past the one read. Closing with that rest unread
  // would reset the connection, and a client may then drop the answer it had not yet read.
  const std::string request =
      "GET /health HTTP/1.1\r\nHost: localhost:8070\r\nCookie: " + std::string(6000, 'a') +
      "\r\n\r\n";
  for (int attempt = 0; attempt < 20; ++attempt) {
    const UniqueFd fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(service_.port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::send(fd.get(), request.data(), request.size(), 0),
              static_cast<ssize_t>(request.size()));
    std::string received;
    std::array<char, 4096> buffer{};
    ssize_t got = 0;
    while ((got = ::recv(fd.get(), buffer.data(), buffer.size(), 0)) > 0) {
      received.append(buffer.data(), static_cast<std::size_t>(got));
    }
    EXPECT_EQ(got, 0) << "connection reset: " << std::strerror(errno);
    EXPECT_EQ(received, health_answer);
  }
}

TEST_F(ServingLoopTest, RequestSplitOverTwoWritesSeesOnlyTheFirst) {
  LoopbackClient client = service_.connect();
  ASSERT_TRUE(client.ok());
  ASSERT_TRUE(client.send("GET /health HTTP/1.1\r\n"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  client.send("Host: localhost:8070\r\n\r\n");  // may fail: the service may have answered already
  const HttpAnswer answer = parse_answer(client.read_to_end());
  client.abort();
  EXPECT_EQ(answer.status_line, "HTTP/1.1 403 Forbidden");
  EXPECT_EQ(answer.body, "forbidden host");
}

TEST_F(ServingLoopTest, PeersThatLeaveEarlyDoNotStopTheService) {
  {  // sends a request and resets before reading the answer
    LoopbackClient client = service_.connect();
    ASSERT_TRUE(client.send(get_request("/index.html")));
    client.abort();
  }
  {  // closes without sending anything: answered 405 into a closed socket
    LoopbackClient client = service_.connect();
    client.close_sending();
    client.abort();
  }
  {  // never reads: the answer is written into its receive buffer and the connection closed
    LoopbackClient client = service_.connect();
    ASSERT_TRUE(client.send(get_request("/")));
    EXPECT_EQ(service_.exchange(get_request("/health")), health_answer);
    client.abort();
  }
  EXPECT_EQ(service_.exchange(get_request("/health")), health_answer);
}

TEST_F(ServingLoopTest, ConnectionsAreServedOneAtATimeInOrder) {
  LoopbackClient first = service_.connect();
  LoopbackClient second = service_.connect();
  ASSERT_TRUE(second.send(get_request("/health")));
  ASSERT_TRUE(first.send(get_request("/favicon.ico")));
  EXPECT_EQ(parse_answer(first.read_to_end()).body, "not found");
  EXPECT_EQ(second.read_to_end(), health_answer);
  first.abort();
  second.abort();
}

TEST_F(ServingLoopTest, SilentPeerGets405WhenTheReadTimesOut) {
  LoopbackClient client = service_.connect();
  ASSERT_TRUE(client.ok());
  const HttpAnswer answer = parse_answer(client.read_to_end(std::chrono::seconds(60)));
  client.abort();
  EXPECT_EQ(answer.status_line, "HTTP/1.1 405 Method Not Allowed");
  EXPECT_EQ(answer.body, "method not allowed");
  EXPECT_EQ(service_.exchange(get_request("/health")), health_answer);
}

// The descriptor the child below frees on SIGUSR1 (a signal handler reaches only statics).
std::atomic<int> spare_descriptor{-1};

void free_spare_descriptor(int /*signal*/) { ::close(spare_descriptor.load()); }

// In a child: takes every descriptor slot below a lowered limit, so that accepting fails with
// EMFILE, writes one byte to `ready_fd`, and serves on `listen_fd` until killed; SIGUSR1 frees one
// slot. Exits with status 3 if the slots could not all be taken. (No thread: the sanitizers'
// runtime needs free descriptors to check one.)
[[noreturn]] void serve_with_no_descriptor_to_spare(int listen_fd, int ready_fd,
                                                    const ScanContext& context) {
  struct sigaction action {};
  action.sa_handler = free_spare_descriptor;
  if (::sigaction(SIGUSR1, &action, nullptr) != 0) std::_Exit(3);
  const rlim_t slots = static_cast<rlim_t>(std::max(listen_fd, ready_fd) + 2);
  const rlimit limit{slots, slots};
  if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) std::_Exit(3);
  int taken = -1;
  for (int fd = ::dup(0); fd >= 0; fd = ::dup(0)) taken = fd;
  if (errno != EMFILE || taken < 0) std::_Exit(3);
  spare_descriptor.store(taken);
  if (::write(ready_fd, "r", 1) != 1) std::_Exit(3);
  const std::atomic<bool> never{false};
  run_serving_loop(listen_fd, context, never);
  std::_Exit(0);
}

// While accepting fails for want of a descriptor, the loop waits between attempts instead of
// retrying at full speed (which burns whole CPU-seconds in the 3 s below), and the client queued
// meanwhile is served once a descriptor is free.
TEST(ServingLoop, OutOfDescriptorsNeitherSpinsNorStopsServing) {
  const ScanContext context = unreachable_node_context();
  std::variant<UniqueFd, ListenFailure> opened = open_loopback_listener(0);
  ASSERT_TRUE(std::holds_alternative<UniqueFd>(opened));
  const UniqueFd listener = std::move(std::get<UniqueFd>(opened));
  std::array<int, 2> ready{};
  ASSERT_EQ(::pipe(ready.data()), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    serve_with_no_descriptor_to_spare(listener.get(), ready[1], context);
  }
  ::close(ready[1]);
  char byte = 0;
  const bool exhausted = ::read(ready[0], &byte, 1) == 1;
  ::close(ready[0]);
  LoopbackClient client(bound_port(listener.get()));
  const bool sent = client.send(get_request("/health"));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  ::kill(child, SIGUSR1);
  const std::string answer = client.read_to_end();
  ::kill(child, SIGKILL);
  int status = 0;
  rusage usage{};
  ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
  ASSERT_TRUE(exhausted) << "the child could not take every descriptor";
  ASSERT_TRUE(sent);
  EXPECT_EQ(answer, health_answer);
  const double cpu_seconds =
      static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
      1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
  EXPECT_LT(cpu_seconds, 0.3) << "the loop retried accept without pausing";
}

TEST(ServingHarness, LeavesNoDescriptorOrThreadBehindAfterBadInput) {
  const ScanContext context = unreachable_node_context();
  const auto fds_before = test::open_descriptor_count(::getpid());
  const auto threads_before = test::thread_count(::getpid());
  ASSERT_TRUE(fds_before && threads_before);
  {
    ServingHarness service(context);
    for (const std::string& request :
         {std::string("\x00\xFF\r\n\r\n", 6), std::string(5000, 'G'),
          std::string("GET /health HTTP/1.1\r\nHost: \xC0\xAF\r\n\r\n"), get_request("/")}) {
      static_cast<void>(service.exchange(request));
    }
    LoopbackClient early = service.connect();
    early.abort();
  }
  EXPECT_EQ(test::open_descriptor_count(::getpid()), fds_before);
  EXPECT_EQ(test::thread_count(::getpid()), threads_before);
}

}  // namespace
}  // namespace tarnwick

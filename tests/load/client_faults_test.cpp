// The shipped binary against clients that misbehave: garbage bytes, requests longer than the one
// 2048-byte read, invalid UTF-8, clients that close or reset before reading their answer, clients
// that connect and never send, and many clients at once. Each misbehaving client costs at most
// the 5-second read timeout; afterwards the service answers /health as before and holds no more
// descriptors than before.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/process_state.h"
#include "support/service_process.h"
#include "support/serving_harness.h"

namespace tarnwick::test {
namespace {

constexpr char nul_in_target[] = "GET /health\0x HTTP/1.1\r\nHost: localhost:8070\r\n\r\n";

const std::string status_ok = "HTTP/1.1 200 OK";
const std::string status_forbidden = "HTTP/1.1 403 Forbidden";
const std::string status_not_allowed = "HTTP/1.1 405 Method Not Allowed";

class ClientFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.wait_for_banner())
        << "the service did not start (is 127.0.0.1:8070 free?)";
    ASSERT_EQ(health().body, "ok");
    descriptors_ = open_descriptor_count(service_.pid());
  }

  // The service is still serving, answers /health, and holds as many descriptors as at the start.
  void expect_unharmed() {
    ASSERT_TRUE(service_.running());
    EXPECT_EQ(health().body, "ok");
    if (descriptors_) {
      EXPECT_EQ(open_descriptor_count(service_.pid()), descriptors_);
    }
  }

  static HttpAnswer health() { return parse_answer(exchange_8070(get_request("/health"))); }

  const ScratchHome home_;
  ServiceProcess service_{TARNWICK_BINARY, home_.environment()};
  std::optional<std::size_t> descriptors_;
};

TEST_F(ClientFaults, GarbageOversizedAndInvalidRequestsGetTheirGuardAnswers) {
  struct Case {
    std::string name;
    std::string request;
    std::string status_line;
  };
  const std::string pad(4000, 'x');
  std::vector<Case> cases = {
      {"pad after Host",
       "GET /health HTTP/1.1\r\nHost: localhost:8070\r\nX-Pad: " + pad + "\r\n\r\n", status_ok},
      {"Host beyond the first 2048 bytes",
       "GET /health HTTP/1.1\r\nX-Pad: " + pad + "\r\nHost: localhost:8070\r\n\r\n",
       status_forbidden},
      {"64 KiB target",
       "GET /health" + std::string(65536, 'a') + " HTTP/1.1\r\nHost: localhost:8070\r\n\r\n",
       status_forbidden},
      {"invalid UTF-8 in the target", "GET /\xC0\xAF HTTP/1.1\r\nHost: localhost:8070\r\n\r\n",
       status_forbidden},
      {"invalid UTF-8 in a header",
       "GET /health HTTP/1.1\r\nX: \xED\xA0\x80\r\nHost: localhost:8070\r\n\r\n", status_forbidden},
      {"invalid UTF-8 after the head",
       "GET /health HTTP/1.1\r\nHost: localhost:8070\r\n\r\n\xFF\xFE", status_ok},
      {"NUL in the target", std::string(nul_in_target, sizeof nul_in_target - 1), status_ok},
      {"bare LF lines", "GET /health HTTP/1.1\nHost: localhost:8070\n\n", status_forbidden},
      {"method only", "GET ", status_forbidden},
      {"lower-case method", "get /health HTTP/1.1\r\nHost: localhost:8070\r\n\r\n",
       status_not_allowed},
  };
  std::mt19937 random(20240115);
  for (int i = 0; i < 200; ++i) {
    std::string bytes(std::uniform_int_distribution<std::size_t>(1, 4000)(random), '\0');
    for (char& c : bytes) c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
    if (bytes.starts_with("GET ")) continue;
    cases.push_back({"random bytes #" + std::to_string(i), bytes, status_not_allowed});
  }
  for (const Case& c : cases) {
    const HttpAnswer answer = parse_answer(exchange_8070(c.request));
    EXPECT_TRUE(answer.complete) << c.name;
    EXPECT_EQ(answer.status_line, c.status_line) << c.name;
    EXPECT_EQ(answer.header("Content-Length"), std::to_string(answer.body.size())) << c.name;
  }
  expect_unharmed();
}

TEST_F(ClientFaults, ClientsThatLeaveBeforeReadingCostNothing) {
  for (int i = 0; i < 100; ++i) {
    LoopbackClient reset_after_sending(8070);  // sends, then resets without reading
    ASSERT_TRUE(reset_after_sending.ok());
    reset_after_sending.send(get_request("/"));
    reset_after_sending.abort();

    LoopbackClient closes_silently(8070);  // connects and closes without sending
    ASSERT_TRUE(closes_silently.ok());
    closes_silently.close_sending();

    LoopbackClient half_request(8070);  // half a request line, then end of stream
    ASSERT_TRUE(half_request.ok());
    half_request.send("GET /hea");
    half_request.close_sending();
  }
  expect_unharmed();
}

TEST_F(ClientFaults, SilentClientsHoldTheLoopOnlyUntilTheReadTimeout) {
  LoopbackClient first_silent(8070);
  LoopbackClient second_silent(8070);
  ASSERT_TRUE(first_silent.ok() && second_silent.ok());
  // Queued behind both: answered once each silent client has had its 5 seconds.
  EXPECT_EQ(health().body, "ok");
  for (LoopbackClient* silent : {&first_silent, &second_silent}) {
    const HttpAnswer answer = parse_answer(silent->read_to_end());
    EXPECT_EQ(answer.status_line, status_not_allowed);  // the empty request
    silent->abort();
  }
  expect_unharmed();
}

TEST_F(ClientFaults, ManyClientsAtOnceAreAllServed) {
  constexpr int threads = 16;
  constexpr int requests_each = 50;
  std::vector<int> answered(threads, 0);
  std::vector<std::thread> clients;
  for (int t = 0; t < threads; ++t) {
    clients.emplace_back([&answered, t] {
      for (int i = 0; i < requests_each; ++i) {
        if (health().body == "ok") ++answered[static_cast<std::size_t>(t)];
      }
    });
  }
  for (std::thread& client : clients) client.join();
  for (int t = 0; t < threads; ++t) EXPECT_EQ(answered[static_cast<std::size_t>(t)], requests_each);
  expect_unharmed();
}

}  // namespace
}  // namespace tarnwick::test

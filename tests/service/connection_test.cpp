// Reading a request in one receive call and writing a framed response, through the byte source
// and sink seams.
#include "service/connection.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "support/service_process.h"

namespace tarnwick {
namespace {

TEST(ReadRequest, ExactlyOneCallIntoAClearedBufferOf2048Bytes) {
  int calls = 0;
  const ByteSource source = [&calls](std::span<char> buffer) -> Transfer {
    ++calls;
    EXPECT_EQ(buffer.size(), 2048U);
    for (const char c : buffer) EXPECT_EQ(c, '\0');
    std::memcpy(buffer.data(), "GET / HTTP/1.1\r\n", 16);
    return {16, 0};
  };
  EXPECT_EQ(read_request(source), "GET / HTTP/1.1\r\n");
  EXPECT_EQ(calls, 1);
}

TEST(ReadRequest, FailureAndEndOfStreamGiveTheEmptyRequest) {
  for (const int error : {EAGAIN, EWOULDBLOCK, ECONNRESET, EINTR}) {
    const ByteSource failing = [error](std::span<char>) -> Transfer { return {0, error}; };
    EXPECT_EQ(read_request(failing), "") << error;
  }
  const ByteSource closed = [](std::span<char>) -> Transfer { return {0, 0}; };
  EXPECT_EQ(read_request(closed), "");
}

TEST(ReadRequest, KeepsBinaryBytesAndAFullBuffer) {
  const ByteSource full = [](std::span<char> buffer) -> Transfer {
    for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<char>(i % 256);
    return {buffer.size(), 0};
  };
  const std::string request = read_request(full);
  ASSERT_EQ(request.size(), 2048U);
  EXPECT_EQ(request[0], '\0');
  EXPECT_EQ(static_cast<unsigned char>(request[255]), 255U);
}

// A sink that plays a script of outcomes, one per call, and keeps what it accepted. A scripted
// byte count is capped at what was offered; an empty script accepts everything.
struct ScriptedSink {
  struct Step {
    std::size_t max_bytes;
    int error;
  };
  std::deque<Step> script;
  std::string accepted;
  std::vector<std::size_t> offered;  // size of every call's offer

  ByteSink sink() {
    return [this](std::span<const char> bytes) -> Transfer {
      offered.push_back(bytes.size());
      Step step{bytes.size(), 0};
      if (!script.empty()) {
        step = script.front();
        script.pop_front();
      }
      if (step.error != 0) return {0, step.error};
      const std::size_t n = step.max_bytes < bytes.size() ? step.max_bytes : bytes.size();
      accepted.append(bytes.data(), n);
      return {n, 0};
    };
  }
};

using test::health_answer;

TEST(WriteResponse, HeaderBlockThenBodyInTwoWrites) {
  ScriptedSink out;
  EXPECT_EQ(write_response(out.sink(), {"200 OK", "text/plain", "ok"}), WriteOutcome{});
  EXPECT_EQ(out.accepted, health_answer);
  EXPECT_EQ(out.offered, (std::vector<std::size_t>{health_answer.size() - 2, 2}));
}

TEST(WriteResponse, ContentLengthCountsBytes) {
  ScriptedSink out;
  const std::string body = "a \u2014 b \u00B7 c";  // 7 ASCII bytes, em dash 3, middle dot 2
  static_cast<void>(write_response(out.sink(), Response{status_ok, content_type_json, body}));
  EXPECT_NE(out.accepted.find("\r\nContent-Length: 12\r\n"), std::string::npos) << out.accepted;
  EXPECT_NE(out.accepted.find("\r\nContent-Type: application/json\r\n"), std::string::npos);
}

TEST(WriteResponse, EmptyBodyIsOnlyTheHeaderBlock) {
  ScriptedSink out;
  EXPECT_EQ(write_response(out.sink(), {"404 Not Found", "text/plain", ""}), WriteOutcome{});
  EXPECT_EQ(out.accepted, header_block("404 Not Found", "text/plain", 0));
  EXPECT_NE(out.accepted.find("Content-Length: 0\r\n"), std::string::npos);
  EXPECT_EQ(out.offered.size(), 1U);
}

TEST(WriteResponse, InterruptedAndShortWritesStillDeliverEverything) {
  ScriptedSink out;
  out.script = {{0, EINTR}, {10, 0}, {0, EINTR}, {1, 0}, {50, 0}, {0, EINTR}, {1000, 0}, {1, 0}};
  EXPECT_EQ(write_response(out.sink(), {"200 OK", "text/plain", "ok"}), WriteOutcome{});
  EXPECT_EQ(out.accepted, health_answer);
}

TEST(WriteResponse, FailuresStopTheAttempt) {
  struct Case {
    const char* name;
    std::deque<ScriptedSink::Step> script;
    WriteOutcome outcome;
    std::size_t calls;
    std::size_t accepted;
  };
  const std::size_t header_size = health_answer.size() - 2;
  const std::vector<Case> cases = {
      {"header fails at once", {{0, EPIPE}}, {false, EPIPE}, 1, 0},
      {"header accepts nothing", {{0, 0}}, {false, 0}, 1, 0},
      {"header cut short, then refused", {{5, 0}, {0, ECONNRESET}}, {false, ECONNRESET}, 2, 5},
      {"header cut short, then zero", {{5, 0}, {0, 0}}, {false, 0}, 2, 5},
      {"body fails", {{header_size, 0}, {0, EPIPE}}, {false, EPIPE}, 2, header_size},
      {"body accepts nothing", {{header_size, 0}, {0, 0}}, {false, 0}, 2, header_size},
  };
  for (const Case& c : cases) {
    ScriptedSink out;
    out.script = c.script;
    EXPECT_EQ(write_response(out.sink(), {"200 OK", "text/plain", "ok"}), c.outcome) << c.name;
    EXPECT_EQ(out.offered.size(), c.calls) << c.name;  // no retry after a failure
    EXPECT_EQ(out.accepted.size(), c.accepted) << c.name;
  }
}

}  // namespace
}  // namespace tarnwick

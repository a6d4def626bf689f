#include "service/connection.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

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

constexpr std::string_view health_answer =
    "HTTP/1.1 200 OK\r\n"
    "Content-Type: text/plain\r\n"
    "Content-Length: 2\r\n"
    "Cache-Control: no-store\r\n"
    "X-Content-Type-Options: nosniff\r\n"
    "Connection: close\r\n"
    "\r\n"
    "ok";

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

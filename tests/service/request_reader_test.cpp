#include "service/connection.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

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

}  // namespace
}  // namespace tarnwick

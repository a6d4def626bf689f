// ResponseSink: one HTTPS exchange's answer as libcurl hands it over, for HttpsClient. It notes
// when the first status line arrived (of any answer: interim, redirect or final) and keeps the
// final answer's body within its bounds while receiving: up to `limit` bytes of an answer below
// 400, failed or cut there as `beyond_limit` says; up to error_body_drain_limit bytes of one of
// 400 or more, which is drained so the connection stays open and is never a reply. A body over
// its bound stops the transfer (CURLE_WRITE_ERROR). Nothing else is read; nothing throws.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <string>

#include "common/https_client.h"

namespace tarnwick {

// Most bytes of an error answer's body read (and kept for the caller to judge) so that the
// connection stays open; a longer body fails the exchange and closes it.
inline constexpr std::size_t error_body_drain_limit = 65'536;

struct ResponseSink {
  CURL* handle = nullptr;  // the exchange's handle: its status decides where a body goes
  std::string bytes;
  std::size_t limit = 0;
  BodyOverflow beyond_limit = BodyOverflow::fail;
  bool truncated = false;       // stopped reading at the limit (truncate mode only)
  bool answer_started = false;  // a status line arrived (of any answer, interim or redirect too)
  std::chrono::steady_clock::time_point started{};
  std::chrono::microseconds first_byte_after{0};  // from `started` until the first status line
};

// The last HTTP status libcurl read on `handle`; 0 when none arrived or it cannot tell.
int response_code(CURL* handle);

// libcurl's body callback (CURLOPT_WRITEFUNCTION) with a ResponseSink as its data: the bytes
// taken, or fewer to stop the transfer at the sink's bound. Only the final answer's body comes
// here: libcurl skips the bodies of the redirects it follows.
std::size_t write_body(char* data, std::size_t size, std::size_t count, void* userdata);

// libcurl's header callback (CURLOPT_HEADERFUNCTION) with a ResponseSink, or null, as its data:
// notes the first status line's time; takes every header byte.
std::size_t read_header(char* data, std::size_t size, std::size_t count, void* userdata);

}  // namespace tarnwick

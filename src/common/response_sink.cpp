#include "common/response_sink.h"

namespace tarnwick {

int response_code(CURL* handle) {
  long code = 0;
  if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) return 0;
  return static_cast<int>(code);
}

std::size_t write_body(char* data, std::size_t size, std::size_t count, void* userdata) {
  auto* sink = static_cast<ResponseSink*>(userdata);
  const std::size_t n = size * count;
  if (response_code(sink->handle) >= 400) {  // a failure whatever it says: never the outcome
    if (n > error_body_drain_limit - sink->bytes.size()) return 0;
    sink->bytes.append(data, n);
    return n;
  }
  const std::size_t room = sink->limit - sink->bytes.size();
  if (n <= room) {
    sink->bytes.append(data, n);
    return n;
  }
  if (sink->beyond_limit == BodyOverflow::truncate) {
    sink->bytes.append(data, room);
    sink->truncated = true;
  }
  return 0;
}

// The first header line of any answer is its status line, so any line at all means that an
// answer began. The status itself is libcurl's (response_code).
std::size_t read_header(char*, std::size_t size, std::size_t count, void* userdata) {
  auto* sink = static_cast<ResponseSink*>(userdata);
  if (sink != nullptr && !sink->answer_started) {
    sink->answer_started = true;
    sink->first_byte_after = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - sink->started);
  }
  return size * count;
}

}  // namespace tarnwick

// Response framing: the seven-line header block and the write-all loop shared by every answer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "service/byte_stream.h"
#include "service/response.h"

namespace tarnwick {

// The outcome of writing: complete, or the first failure: a system error code, or 0 when a
// send call accepted no bytes at all.
struct WriteOutcome {
  bool complete = true;
  int error = 0;
  friend bool operator==(const WriteOutcome&, const WriteOutcome&) = default;
};

// "HTTP/1.1 {status}", Content-Type, Content-Length ({body_length} in decimal), Cache-Control:
// no-store, X-Content-Type-Options: nosniff, Connection: close, and the empty line; each line
// ended by CR LF. No other header is ever sent.
std::string header_block(std::string_view status, std::string_view content_type,
                         std::size_t body_length);

// Sends all of `bytes` through `sink`: an interrupted call (EINTR) is repeated, a partial send
// continues with the rest, and a call that accepts no bytes ends the attempt with a failure.
WriteOutcome write_all(const ByteSink& sink, std::string_view bytes);

// Writes one complete response: the header block, then (only if the header block went out
// whole) the body, as two separate write-alls. Nothing is buffered or chunked. Callers ignore
// the outcome: the connection is closed either way.
WriteOutcome write_response(const ByteSink& sink, std::string_view status,
                            std::string_view content_type, std::string_view body);

// The same for a Response.
WriteOutcome write_response(const ByteSink& sink, const Response& response);

}  // namespace tarnwick

// One connection's bytes: the request read in one receive call, and the response written with the
// seven-line header block. Both go through a byte source / byte sink seam, so reading and framing
// can be exercised without sockets (EINTR, short and zero-byte writes included).
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tarnwick {

// The outcome of one receive or send call: `error` is 0 on success (then `bytes` were moved,
// 0 meaning end of stream for a source) or the system error code (then `bytes` is 0).
struct Transfer {
  std::size_t bytes = 0;
  int error = 0;
};

// One receive call into the given buffer.
using ByteSource = std::function<Transfer(std::span<char>)>;
// One send call of (a prefix of) the given bytes.
using ByteSink = std::function<Transfer(std::span<const char>)>;

// recv(2) on a connected socket.
ByteSource socket_source(int fd);
// send(2) on a connected socket, never raising SIGPIPE.
ByteSink socket_sink(int fd);

// ---- Reading: one receive call of at most 2048 bytes, under a 5-second receive timeout. What
// that one call delivers is the whole request; nothing more is ever read.

inline constexpr std::size_t request_buffer_size = 2048;

// Sets a 5-second receive timeout on the accepted connection `fd`. A failure is ignored: the
// connection is then served without one.
void set_receive_timeout(int fd);

// The bytes of exactly one call of `source` into a cleared 2048-byte buffer. A failed call
// (the timeout included) and a peer that closed without sending both give the empty request.
std::string read_request(const ByteSource& source);

// After the answer is written: discards, without waiting, what the client sent beyond the one
// read (at most 64 KiB). Closing a socket with unread input makes the kernel reset the connection,
// and a client may then lose the answer it had not yet taken in; nothing discarded is looked at.
void discard_unread_input(int fd);

// ---- Writing. Status texts and content types are the complete sets the service ever sends.

inline constexpr std::string_view status_ok = "200 OK";
inline constexpr std::string_view status_bad_request = "400 Bad Request";
inline constexpr std::string_view status_forbidden = "403 Forbidden";
inline constexpr std::string_view status_not_found = "404 Not Found";
inline constexpr std::string_view status_method_not_allowed = "405 Method Not Allowed";

inline constexpr std::string_view content_type_text = "text/plain";
inline constexpr std::string_view content_type_html = "text/html; charset=utf-8";
inline constexpr std::string_view content_type_json = "application/json";
inline constexpr std::string_view content_type_json_utf8 = "application/json; charset=utf-8";

// The three values every handler returns and write_response frames.
struct Response {
  std::string_view status;        // one of the status_* constants above
  std::string_view content_type;  // one of the content_type_* constants above
  std::string body;               // UTF-8 bytes; its byte length is the Content-Length
};

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
WriteOutcome write_response(const ByteSink& sink, const Response& response);

}  // namespace tarnwick

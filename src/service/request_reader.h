// Reading a request: one receive call of at most 2048 bytes, under a 5-second receive timeout.
// What that one call delivers is the whole request; nothing more is ever read.
#pragma once

#include <cstddef>
#include <string>

#include "service/byte_stream.h"

namespace tarnwick {

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

}  // namespace tarnwick

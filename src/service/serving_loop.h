// The serving loop: one thread, one connection at a time, each served completely and closed
// before the next is accepted; connections that arrive meanwhile wait in the listen backlog.
#pragma once

#include <atomic>
#include <chrono>

#include "chain/scan_context.h"

namespace tarnwick {

class JsonReader;

// Serves one accepted connection: 5-second receive timeout, one read, guards, route, one
// response, then whatever input is already waiting beyond the one read is discarded. The write
// outcome is dropped; the caller closes the connection.
// `reader` reads the chain's replies; the loop keeps one for all its connections.
void serve_connection(int fd, const ScanContext& context, JsonReader& reader);

// How long the loop waits before it accepts again after accepting failed for want of descriptors,
// buffers or memory (EMFILE, ENFILE, ENOBUFS, ENOMEM). Retrying at once would fail the same way at
// full speed; after the wait, the clients in the backlog are served as soon as room is free again.
inline constexpr std::chrono::milliseconds accept_exhausted_pause{50};

// Accepts and serves connections on `listen_fd` until `stop` is true when checked, which
// happens before each accept; a stopper sets it and then connects once to wake the loop. The
// service never sets it, so in production this never returns. The context is only read.
void run_serving_loop(int listen_fd, const ScanContext& context, const std::atomic<bool>& stop);

}  // namespace tarnwick

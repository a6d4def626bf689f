// The service's address and the only two lines it ever prints, both at start-up on standard
// error: the banner once serving begins, and the bind failure line when the port cannot be
// claimed and no instance answers on it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

inline constexpr std::string_view listen_address = "127.0.0.1";
inline constexpr std::uint16_t listen_port = 8070;

// "http://127.0.0.1:8070".
std::string service_url();

// "Tarnwick scanner v0.1.0 · http://127.0.0.1:8070 · read-only · non-custodial · know before
// you ape" and a line feed.
std::string banner_line();

// "Tarnwick: cannot bind 127.0.0.1:8070 — {strerror(error)} (os error {error})" and a line feed.
std::string bind_failure_line(int error);

}  // namespace tarnwick

// What start-up shows: the only two lines the service ever prints, both on standard error (the
// banner once serving begins, the bind failure line when the port cannot be claimed and no
// instance answers on it), and the cockpit page opened in the user's default browser.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// "Tarnwick scanner v0.1.0 · http://127.0.0.1:8070 · read-only · non-custodial · know before
// you ape" and a line feed.
std::string banner_line();

// "Tarnwick: cannot bind 127.0.0.1:8070 — {strerror(error)} (os error {error})" and a line feed.
std::string bind_failure_line(int error);

// True when `url` begins, byte-wise and case-sensitively, with "http://127.0.0.1:",
// "http://localhost:" or "https://". No other URL is ever handed to the browser command.
bool browser_url_allowed(std::string_view url);

// The absolute path of the first executable file named `name` in the colon-separated `search_path`;
// none when there is none. Empty and relative entries are skipped, so nothing is ever run from
// the folder the service happens to be started in.
std::optional<std::string> find_on_path(std::string_view name, std::string_view search_path);

// Starts the browser command with `url` as its only argument when browser_url_allowed(url): on
// macOS `open`, elsewhere `xdg-open` when found on PATH (otherwise nothing happens). The command
// inherits the standard streams, starts with SIGPIPE at its default disposition, and is never
// waited for: it runs as a grandchild whose intermediate parent is reaped at once, so no zombie
// is left. Returns at once; every failure is ignored.
void open_in_browser(std::string_view url);

}  // namespace tarnwick

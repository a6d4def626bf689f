// Tarnwick's entry: builds the scan context, claims 127.0.0.1:8070 (or hands over to the
// instance already serving there), opens the cockpit, prints the banner and serves until killed.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <utility>
#include <variant>

#include "chain/scan_context.h"
#include "service/listener.h"
#include "service/serving_loop.h"
#include "service/startup.h"

int main() {
  using namespace tarnwick;
  // A write to a peer that has gone away must be an error the writer drops, not the end of us.
  std::signal(SIGPIPE, SIG_IGN);
  const ScanContext context = build_scan_context();
  const std::string url = service_url();

  // Asked before binding as well: where SO_REUSEADDR lets a bind to 127.0.0.1 succeed beside
  // another program's wildcard listener on the port (BSD, macOS), binding first would shadow that
  // program. Where the bind would fail anyway (Linux), the outcome is the same either way.
  if (instance_answers(listen_port)) {
    open_in_browser(url);
    return 0;
  }
  std::variant<UniqueFd, ListenFailure> claimed = open_loopback_listener(listen_port);
  if (const auto* failure = std::get_if<ListenFailure>(&claimed)) {
    if (instance_answers(listen_port)) {
      open_in_browser(url);
      return 0;
    }
    std::fputs(bind_failure_line(failure->error).c_str(), stderr);
    return 1;
  }
  const UniqueFd listener = std::move(std::get<UniqueFd>(claimed));

  open_in_browser(url);
  std::fputs(banner_line().c_str(), stderr);
  const std::atomic<bool> never_stop{false};
  run_serving_loop(listener.get(), context, never_stop);
  return 0;
}

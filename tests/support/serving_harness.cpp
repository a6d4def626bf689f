#include "support/serving_harness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <utility>
#include <variant>

#include "service/listener.h"
#include "service/serving_loop.h"

namespace tarnwick {

LoopbackClient::LoopbackClient(std::uint16_t port) {
  UniqueFd fd = open_ipv4_stream_socket();
  if (!fd.valid()) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int result = 0;
  do {
    result = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (result != 0 && errno == EINTR);
  if (result == 0) fd_ = std::move(fd);
}

bool LoopbackClient::send(std::string_view bytes) const {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd_.get(), bytes.data(), bytes.size(), no_sigpipe_send_flags);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void LoopbackClient::close_sending() const { ::shutdown(fd_.get(), SHUT_WR); }

std::string LoopbackClient::read_to_end(std::chrono::seconds limit) const {
  std::string received;
  std::array<char, 4096> buffer{};
  while (true) {
    pollfd waiting{fd_.get(), POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(limit.count() * 1000));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return received;
    const ssize_t got = ::recv(fd_.get(), buffer.data(), buffer.size(), 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return received;
    received.append(buffer.data(), static_cast<std::size_t>(got));
  }
}

void LoopbackClient::abort() {
  if (!fd_.valid()) return;
  const linger reset{1, 0};
  ::setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  fd_.reset();
}

ServingHarness::ServingHarness(const ScanContext& context) {
  std::variant<UniqueFd, ListenFailure> claimed = open_loopback_listener(0);
  if (std::holds_alternative<ListenFailure>(claimed)) std::abort();  // loopback must work in tests
  listener_ = std::move(std::get<UniqueFd>(claimed));
  port_ = bound_port(listener_.get());
  loop_ = std::thread([this, &context] { run_serving_loop(listener_.get(), context, stop_); });
}

ServingHarness::~ServingHarness() {
  stop_.store(true);
  // The loop sees the flag once a connection is served. A connection is the wake-up that works on
  // every system (shutdown() of a listening socket wakes accept on Linux but not on BSD), so a
  // connect that fails for the moment (a full backlog) is tried again.
  std::optional<LoopbackClient> wake_up;
  while (!(wake_up.emplace(port_)).ok()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  wake_up->close_sending();
  loop_.join();
  wake_up->abort();
}

std::string ServingHarness::exchange(std::string_view request) const {
  LoopbackClient client(port_);
  if (!client.ok() || !client.send(request)) return {};
  std::string answer = client.read_to_end();
  client.abort();
  return answer;
}

std::optional<std::string> HttpAnswer::header(std::string_view name) const {
  for (const std::string& line : header_lines) {
    if (line.size() >= name.size() + 2 && line.compare(0, name.size(), name) == 0 &&
        line.compare(name.size(), 2, ": ") == 0) {
      return line.substr(name.size() + 2);
    }
  }
  return std::nullopt;
}

HttpAnswer parse_answer(std::string_view raw) {
  HttpAnswer answer;
  const std::size_t end = raw.find("\r\n\r\n");
  if (end == std::string_view::npos) return answer;
  answer.complete = true;
  answer.body = std::string(raw.substr(end + 4));
  std::string_view head = raw.substr(0, end);
  std::size_t line_end = head.find("\r\n");
  answer.status_line = std::string(head.substr(0, line_end));
  while (line_end != std::string_view::npos) {
    head.remove_prefix(line_end + 2);
    line_end = head.find("\r\n");
    answer.header_lines.emplace_back(head.substr(0, line_end));
  }
  return answer;
}

ScanContext unreachable_node_context() {
  ClientSettings settings{"https://127.0.0.1:9", std::chrono::seconds(5), std::chrono::seconds(2),
                          ""};
  return ScanContext{ChainClient{std::move(settings)}, "repcontract", 0, PriorRugList{}};
}

std::string get_request(std::string_view target) {
  return "GET " + std::string(target) + " HTTP/1.1\r\nHost: localhost:8070\r\n\r\n";
}

}  // namespace tarnwick

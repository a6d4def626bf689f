#include "support/fake_node.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stdexcept>

namespace tarnwick::test {
namespace {

bool iequals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) {
             return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
           };
           return lower(x) == lower(y);
         });
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

const char* reason_for(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

void set_cloexec(int fd) { ::fcntl(fd, F_SETFD, FD_CLOEXEC); }

bool write_all(SSL* ssl, std::string_view data) {
  while (!data.empty()) {
    const int n =
        SSL_write(ssl, data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1U << 20)));
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::optional<std::size_t> parse_size(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value;
}

}  // namespace

std::string RecordedRequest::path() const { return target.substr(0, target.find('?')); }

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (iequals(key, name)) return value;
  }
  return std::nullopt;
}

FakeReply FakeReply::json(std::string body, int status) {
  return text(std::move(body), "application/json", status);
}
FakeReply FakeReply::html(std::string body, int status) {
  return text(std::move(body), "text/html; charset=utf-8", status);
}
FakeReply FakeReply::text(std::string body, std::string content_type, int status) {
  FakeReply reply;
  reply.status = status;
  reply.headers.emplace_back("Content-Type", std::move(content_type));
  reply.body = std::move(body);
  return reply;
}
FakeReply FakeReply::redirect(int status, std::string location) {
  FakeReply reply;
  reply.status = status;
  reply.headers.emplace_back("Location", std::move(location));
  return reply;
}
FakeReply FakeReply::silent() {
  FakeReply reply;
  reply.kind = Kind::silence;
  return reply;
}
FakeReply FakeReply::reset_connection() {
  FakeReply reply;
  reply.kind = Kind::reset;
  return reply;
}
FakeReply FakeReply::close_connection() {
  FakeReply reply;
  reply.kind = Kind::close;
  return reply;
}
FakeReply FakeReply::raw(std::string bytes) {
  FakeReply reply;
  reply.kind = Kind::garbage;
  reply.body = std::move(bytes);
  return reply;
}

struct FakeNode::Impl {
  TlsIdentity identity;
  SSL_CTX* ctx = nullptr;
  int listen_fd = -1;
  int wake[2] = {-1, -1};
  std::uint16_t port = 0;

  mutable std::mutex mu;
  std::condition_variable stop_cv;
  bool stopping = false;
  FakeHandler handler;
  std::map<std::string, FakeReply, std::less<>> table;
  std::vector<RecordedRequest> log;
  std::size_t accepted = 0;
  std::size_t handshakes = 0;
  std::vector<int> open_fds;
  std::vector<std::thread> workers;  // touched only by the acceptor until it is joined
  std::thread acceptor;

  explicit Impl(TlsIdentity id) : identity(std::move(id)) {
    std::signal(SIGPIPE, SIG_IGN);
    make_tls_context();
    listen_loopback();
    if (::pipe(wake) != 0) throw std::runtime_error("fake node: pipe");
    set_cloexec(wake[0]);
    set_cloexec(wake[1]);
    acceptor = std::thread([this] { accept_loop(); });
  }

  ~Impl() {
    {
      const std::lock_guard<std::mutex> lock(mu);
      stopping = true;
      for (int fd : open_fds) ::shutdown(fd, SHUT_RDWR);
    }
    stop_cv.notify_all();
    const char byte = 'x';
    [[maybe_unused]] const auto written = ::write(wake[1], &byte, 1);
    acceptor.join();
    for (auto& worker : workers) worker.join();
    ::close(listen_fd);
    ::close(wake[0]);
    ::close(wake[1]);
    SSL_CTX_free(ctx);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  void make_tls_context() {
    ctx = SSL_CTX_new(TLS_server_method());
    if (ctx == nullptr) throw std::runtime_error("fake node: SSL_CTX_new");
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    BIO* cert_bio =
        BIO_new_mem_buf(identity.cert_pem.data(), static_cast<int>(identity.cert_pem.size()));
    BIO* key_bio =
        BIO_new_mem_buf(identity.key_pem.data(), static_cast<int>(identity.key_pem.size()));
    X509* cert = PEM_read_bio_X509(cert_bio, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(key_bio, nullptr, nullptr, nullptr);
    const bool ok = cert != nullptr && key != nullptr && SSL_CTX_use_certificate(ctx, cert) == 1 &&
                    SSL_CTX_use_PrivateKey(ctx, key) == 1;
    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(cert_bio);
    BIO_free(key_bio);
    if (!ok) throw std::runtime_error("fake node: certificate");
  }

  void listen_loopback() {
    listen_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listen_fd < 0) throw std::runtime_error("fake node: socket");
    set_cloexec(listen_fd);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(listen_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listen_fd, 64) != 0 ||
        ::getsockname(listen_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      throw std::runtime_error("fake node: bind/listen");
    }
    port = ntohs(addr.sin_port);
  }

  void accept_loop() {
    for (;;) {
      pollfd fds[2] = {{listen_fd, POLLIN, 0}, {wake[0], POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents != 0) return;
      if ((fds[0].revents & POLLIN) == 0) continue;
      const int fd = ::accept(listen_fd, nullptr, nullptr);
      if (fd < 0) continue;
      set_cloexec(fd);
      // Replies longer than one TLS record must not wait for the client's delayed ACK.
      const int no_delay = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof no_delay);
      const std::lock_guard<std::mutex> lock(mu);
      if (stopping) {
        ::close(fd);
        return;
      }
      const std::size_t number = ++accepted;
      open_fds.push_back(fd);
      workers.emplace_back([this, fd, number] { serve_connection(fd, number); });
    }
  }

  void serve_connection(int fd, std::size_t number) {
    SSL* ssl = SSL_new(ctx);
    bool abort_with_reset = false;
    if (ssl != nullptr && SSL_set_fd(ssl, fd) == 1 && SSL_accept(ssl) == 1) {
      {
        const std::lock_guard<std::mutex> lock(mu);
        ++handshakes;
      }
      abort_with_reset = serve_requests(ssl, number);
    }
    SSL_free(ssl);
    ERR_clear_error();
    const std::lock_guard<std::mutex> lock(mu);
    if (abort_with_reset) {
      linger hard{1, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    open_fds.erase(std::find(open_fds.begin(), open_fds.end(), fd));
    ::close(fd);
  }

  // Serves requests until the connection should end; true when it must end with a reset.
  bool serve_requests(SSL* ssl, std::size_t number) {
    std::string buffer;
    for (;;) {
      std::optional<RecordedRequest> request = read_request(ssl, buffer);
      if (!request) return false;
      request->connection = number;
      {
        const std::lock_guard<std::mutex> lock(mu);
        log.push_back(*request);
      }
      const FakeReply reply = choose_reply(*request);
      if (reply.delay.count() > 0 && wait_for_stop(reply.delay)) return false;
      switch (reply.kind) {
        case FakeReply::Kind::silence: wait_for_stop(std::nullopt); return false;
        case FakeReply::Kind::reset: return true;
        case FakeReply::Kind::close: return false;
        case FakeReply::Kind::garbage: write_all(ssl, reply.body); return false;
        case FakeReply::Kind::respond: break;
      }
      if (!write_reply(ssl, reply)) return false;
      if (reply.reset_after) return true;
      const auto connection = request->header("Connection");
      if (reply.close_after || (connection && iequals(*connection, "close"))) {
        SSL_shutdown(ssl);
        return false;
      }
    }
  }

  // Waits until the node stops or `limit` passes; true when the node is stopping.
  bool wait_for_stop(std::optional<std::chrono::milliseconds> limit) {
    std::unique_lock<std::mutex> lock(mu);
    if (limit) return stop_cv.wait_for(lock, *limit, [this] { return stopping; });
    stop_cv.wait(lock, [this] { return stopping; });
    return true;
  }

  FakeReply choose_reply(const RecordedRequest& request) {
    FakeHandler chosen;
    {
      const std::lock_guard<std::mutex> lock(mu);
      if (!handler) {
        const auto found = table.find(request.path());
        return found != table.end() ? found->second
                                    : FakeReply::text("not found", "text/plain", 404);
      }
      chosen = handler;
    }
    return chosen(request);
  }

  // Reads one request (head and Content-Length body) from `buffer` and the connection; leftover
  // bytes stay in `buffer` for the next request. Nothing when the peer closes or sends nonsense.
  static std::optional<RecordedRequest> read_request(SSL* ssl, std::string& buffer) {
    std::size_t head_end;
    while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos) {
      if (buffer.size() > 65536 || !read_more(ssl, buffer)) return std::nullopt;
    }
    const std::string head = buffer.substr(0, head_end);
    buffer.erase(0, head_end + 4);
    RecordedRequest request;
    std::size_t line_end = head.find("\r\n");
    const std::string_view request_line = std::string_view(head).substr(0, line_end);
    const std::size_t sp1 = request_line.find(' ');
    const std::size_t sp2 = request_line.rfind(' ');
    if (sp1 == std::string_view::npos || sp2 == sp1) return std::nullopt;
    request.method = request_line.substr(0, sp1);
    request.target = request_line.substr(sp1 + 1, sp2 - sp1 - 1);
    request.version = request_line.substr(sp2 + 1);
    while (line_end != std::string::npos) {
      const std::size_t start = line_end + 2;
      line_end = head.find("\r\n", start);
      const std::string_view line = std::string_view(head).substr(
          start, line_end == std::string::npos ? std::string::npos : line_end - start);
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) continue;
      request.headers.emplace_back(line.substr(0, colon), trim(line.substr(colon + 1)));
    }
    std::size_t length = 0;
    if (const auto value = request.header("Content-Length")) {
      const auto parsed = parse_size(*value);
      if (!parsed) return std::nullopt;
      length = *parsed;
    }
    while (buffer.size() < length) {
      if (!read_more(ssl, buffer)) return std::nullopt;
    }
    request.body = buffer.substr(0, length);
    buffer.erase(0, length);
    return request;
  }

  static bool read_more(SSL* ssl, std::string& buffer) {
    char chunk[16384];
    const int n = SSL_read(ssl, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  static bool write_reply(SSL* ssl, const FakeReply& reply) {
    std::string head =
        "HTTP/1.1 " + std::to_string(reply.status) + " " +
        (reply.reason.empty() ? std::string(reason_for(reply.status)) : reply.reason) + "\r\n";
    bool has_length = false;
    bool has_coding = false;
    for (const auto& [name, value] : reply.headers) {
      has_length = has_length || iequals(name, "Content-Length");
      has_coding = has_coding || iequals(name, "Transfer-Encoding");
      head += name + ": " + value + "\r\n";
    }
    if (!has_length && !has_coding) {
      head += reply.chunked ? std::string("Transfer-Encoding: chunked\r\n")
                            : "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    }
    if (reply.close_after) head += "Connection: close\r\n";
    head += "\r\n";
    if (!reply.chunked) return write_all(ssl, head + reply.body);
    if (!write_all(ssl, head)) return false;
    const std::size_t step = std::max<std::size_t>(reply.chunk_size, 1);
    for (std::size_t at = 0; at < reply.body.size(); at += step) {
      const std::string_view piece = std::string_view(reply.body).substr(at, step);
      char size_line[32];
      std::snprintf(size_line, sizeof size_line, "%zx\r\n", piece.size());
      if (!write_all(ssl, std::string(size_line) + std::string(piece) + "\r\n")) return false;
    }
    return write_all(ssl, "0\r\n\r\n");
  }
};

FakeNode::FakeNode() : FakeNode(make_test_identity()) {}
FakeNode::FakeNode(TlsIdentity identity) : impl_(std::make_unique<Impl>(std::move(identity))) {}
FakeNode::~FakeNode() = default;

std::uint16_t FakeNode::port() const { return impl_->port; }
std::string FakeNode::base_url() const {
  return "https://127.0.0.1:" + std::to_string(impl_->port);
}
const std::string& FakeNode::ca_pem() const { return impl_->identity.ca_pem; }

void FakeNode::set_handler(FakeHandler handler) {
  const std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->handler = std::move(handler);
}

void FakeNode::set_reply(std::string path, FakeReply reply) {
  const std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->table[std::move(path)] = std::move(reply);
}

std::vector<RecordedRequest> FakeNode::requests() const {
  const std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->log;
}

std::size_t FakeNode::connections_accepted() const {
  const std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->accepted;
}

std::size_t FakeNode::handshakes_completed() const {
  const std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->handshakes;
}

}  // namespace tarnwick::test

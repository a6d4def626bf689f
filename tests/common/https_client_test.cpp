#include "common/https_client.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "common/trusted_roots.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"
#include "support/scoped_env.h"

namespace tarnwick {
namespace {

using test::FakeNode;
using test::FakeReply;
using test::RecordedRequest;

bool failed(const ReadOutcome& outcome) { return std::holds_alternative<ReadFailure>(outcome); }

std::string text_of(const ReadOutcome& outcome) {
  const auto* text = std::get_if<std::string>(&outcome);
  return text != nullptr ? *text : "<ReadFailure>";
}

using test::ScopedEnv;

// An error answer is a failure whose body is drained, so that the connection stays for the next
// request, unless the body is longer than the drain allows.
TEST(HttpsClient, ErrorAnswerIsAFailureAndKeepsTheConnection) {
  const struct {
    int status;
    std::size_t body_size;
    std::size_t connections;
  } cases[] = {{400, 100, 1}, {403, 0, 1}, {429, 5000, 1}, {500, 65'536, 1}, {503, 65'537, 2}};
  for (const auto& c : cases) {
    FakeNode node;
    node.set_reply("/error", FakeReply::json(std::string(c.body_size, 'e'), c.status));
    node.set_reply("/ok", FakeReply::json("{}"));
    const HttpsClient client(test::client_settings(node));
    EXPECT_TRUE(failed(client.post_json(node.base_url() + "/error", "{}"))) << c.status;
    EXPECT_EQ(text_of(client.get_text(node.base_url() + "/ok")), "{}") << c.status;
    EXPECT_EQ(node.connections_accepted(), c.connections) << c.status;
  }
}

TEST(HttpsClient, HtmlPageIsReturnedAsText) {
  FakeNode node;
  const std::string page = "<!doctype html><title>maintenance</title>";
  node.set_reply("/v1/chain/get_account", FakeReply::html(page));
  const HttpsClient client(test::client_settings(node));
  EXPECT_EQ(text_of(client.post_json(node.base_url() + "/v1/chain/get_account", "{}")), page);
}

TEST(HttpsClient, BodyLimitHoldsForBothFramings) {
  struct Case {
    std::size_t size;
    bool chunked;
    bool succeeds;
  };
  const Case cases[] = {
      {std::size_t{10'485'760}, false, true},
      {std::size_t{10'485'760} + 1, false, false},
      {std::size_t{10'485'760}, true, true},
      {std::size_t{10'485'760} + 1, true, false},
  };
  FakeNode node;
  const HttpsClient client(test::client_settings(node, std::chrono::seconds(30)));
  for (const Case& c : cases) {
    FakeReply reply = FakeReply::json(std::string(c.size, 'x'));
    reply.chunked = c.chunked;
    reply.chunk_size = 100'000;
    node.set_reply("/big", reply);
    const ReadOutcome outcome = client.get_text(node.base_url() + "/big");
    SCOPED_TRACE(testing::Message() << "size " << c.size << (c.chunked ? " chunked" : " length"));
    ASSERT_EQ(failed(outcome), !c.succeeds);
    if (c.succeeds) {
      EXPECT_EQ(text_of(outcome).size(), c.size);
    }
  }
}

TEST(HttpsClient, TruncatingClientKeepsTheFirstBytesAndSucceeds) {
  FakeNode node;
  ClientSettings settings = test::client_settings(node);
  settings.body_limit = 1000;
  settings.beyond_limit = BodyOverflow::truncate;
  const HttpsClient client(settings);
  std::string body;
  for (int i = 0; body.size() < 50'000; ++i) body += std::to_string(i) + ",";
  for (const bool chunked : {false, true}) {
    FakeReply reply = FakeReply::json(body);
    reply.chunked = chunked;
    reply.chunk_size = 700;
    node.set_reply("/long", reply);
    EXPECT_EQ(text_of(client.get_bytes(node.base_url() + "/long")), body.substr(0, 1000));
    node.set_reply("/exact", FakeReply::json(body.substr(0, 1000)));
    EXPECT_EQ(text_of(client.get_bytes(node.base_url() + "/exact")), body.substr(0, 1000));
  }
}

TEST(HttpsClient, BrokenExchangesAreFailures) {
  const struct {
    const char* name;
    FakeReply reply;
  } cases[] = {
      {"silent", FakeReply::silent()},
      {"reset", FakeReply::reset_connection()},
      {"closed", FakeReply::close_connection()},
      {"garbage", FakeReply::raw("\x01\x02 not http at all\r\n\r\n")},
      {"slower than the deadline",
       [] {
         FakeReply slow = FakeReply::json("{}");
         slow.delay = std::chrono::seconds(20);
         return slow;
       }()},
  };
  for (const auto& c : cases) {
    FakeNode node;
    node.set_reply("/v1/chain/get_account", c.reply);
    const HttpsClient client(test::client_settings(node, std::chrono::milliseconds(400)));
    EXPECT_TRUE(failed(client.post_json(node.base_url() + "/v1/chain/get_account", "{}")))
        << c.name;
  }
}

TEST(HttpsClient, InvalidUtf8IsReplacedInTextButNotInBytes) {
  FakeNode node;
  const std::string raw = "{\"a\":\"ok\xFF\xC0\xAFz\xE2\x82\"}";
  node.set_reply("/x", FakeReply::json(raw));
  const HttpsClient client(test::client_settings(node));
  EXPECT_EQ(text_of(client.get_text(node.base_url() + "/x")),
            "{\"a\":\"ok\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz\xEF\xBF\xBD\"}");
  EXPECT_EQ(text_of(client.post_json(node.base_url() + "/x", "{}")),
            "{\"a\":\"ok\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz\xEF\xBF\xBD\"}");
  EXPECT_EQ(text_of(client.get_bytes(node.base_url() + "/x")), raw);
}

// exchange() ends at its answer limit when no status line came, and the client goes on.
// Exchanges started beside it are driven meanwhile and their events kept for wait(): a silent
// one is reported once at its limit and goes on until dropped.
TEST(HttpsClient, FirstByteLimitAndExchangesInFlightTogether) {
  FakeNode node;
  node.set_reply("/silent", FakeReply::silent());
  node.set_reply("/x", FakeReply::json("{}"));
  FakeReply slow = FakeReply::json("slow");
  slow.delay = std::chrono::milliseconds(300);  // past the other exchange's answer limit
  node.set_reply("/slow", slow);
  const HttpsClient client(test::client_settings(node));
  const ExchangeLimits limits{std::chrono::seconds(20), std::chrono::milliseconds(100)};
  const Exchange late = client.exchange(node.base_url() + "/silent", "{}", limits);
  EXPECT_EQ(late.ending, Ending::answer_late);
  EXPECT_TRUE(failed(late.outcome));

  const ExchangeLimits no_answer_limit{std::chrono::seconds(20), {}};
  const std::optional<std::size_t> silent = client.start(node.base_url() + "/silent", {}, limits);
  ASSERT_TRUE(silent.has_value());
  const auto slow_read = [&] {
    return client.exchange(node.base_url() + "/slow", {}, no_answer_limit).outcome;
  };
  EXPECT_EQ(text_of(slow_read()), "slow");
  ExchangeEvent event = client.wait();
  EXPECT_EQ(event.kind, ExchangeEvent::Kind::answer_late);
  EXPECT_EQ(event.slot, *silent);
  client.drop(*silent);
  const std::optional<std::size_t> answered = client.start(node.base_url() + "/x", {}, limits);
  ASSERT_TRUE(answered.has_value());
  EXPECT_EQ(text_of(slow_read()), "slow");
  event = client.wait();
  EXPECT_EQ(event.kind, ExchangeEvent::Kind::ended);
  EXPECT_EQ(event.slot, *answered);
  EXPECT_EQ(text_of(event.exchange.outcome), "{}");
  EXPECT_EQ(client.wait().kind, ExchangeEvent::Kind::idle);
  EXPECT_EQ(text_of(client.get_text(node.base_url() + "/x")), "{}");
}

// The test CA as an OpenSSL certificate file and hashed certificate directory.
struct CaOnDisk {
  std::filesystem::path dir;
  std::filesystem::path file;
};

CaOnDisk write_ca(const std::string& ca_pem, const std::string& tag) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("tarnwick-ca-" + tag + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  BIO* bio = BIO_new_mem_buf(ca_pem.data(), static_cast<int>(ca_pem.size()));
  X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  char hashed[32];
  std::snprintf(hashed, sizeof hashed, "%08lx.0", X509_subject_name_hash(cert));
  X509_free(cert);
  BIO_free(bio);
  std::ofstream(dir / hashed) << ca_pem;
  std::ofstream(dir / "ca.pem") << ca_pem;
  return {dir, dir / "ca.pem"};
}

TEST(HttpsClient, TrustsOnlyItsOwnRoots) {
  FakeNode node;
  node.set_reply("/x", FakeReply::json("{}"));
  const CaOnDisk ca = write_ca(node.ca_pem(), "trust");
  {
    // What the OS store or OpenSSL's environment trusts does not count.
    const ScopedEnv file("SSL_CERT_FILE", ca.file.string());
    const ScopedEnv dir("SSL_CERT_DIR", ca.dir.string());
    const ScopedEnv curl_bundle("CURL_CA_BUNDLE", ca.file.string());
    const HttpsClient production_roots(ClientSettings{node.base_url(), std::chrono::seconds(5),
                                                      std::chrono::milliseconds{0},
                                                      std::string(trusted_roots_pem())});
    EXPECT_TRUE(failed(production_roots.get_text(node.base_url() + "/x")));
    // Another CA is not this node's CA.
    const HttpsClient other_ca(ClientSettings{node.base_url(), std::chrono::seconds(5),
                                              std::chrono::milliseconds{0},
                                              test::make_test_identity("Other CA").ca_pem});
    EXPECT_TRUE(failed(other_ca.get_text(node.base_url() + "/x")));
    // The node's own CA, given as the client's roots, is trusted.
    const HttpsClient own_ca(test::client_settings(node));
    EXPECT_EQ(text_of(own_ca.get_text(node.base_url() + "/x")), "{}");
  }
  std::filesystem::remove_all(ca.dir);
  // A server presenting a certificate from an untrusted CA, in front of a trusting client.
  FakeNode impostor(test::make_test_identity("Impostor CA"));
  impostor.set_reply("/x", FakeReply::json("{}"));
  ClientSettings settings = test::client_settings(node);
  settings.base_url = impostor.base_url();
  EXPECT_TRUE(failed(HttpsClient(settings).get_text(impostor.base_url() + "/x")));
}

#if defined(CLONE_NEWNS) && LIBCURL_VERSION_NUM >= 0x075400
// In a child with a mount namespace of its own: shows the node's CA (alone) in libcurl's built-in
// CA folder, reads the node's URL from `url_pipe` (the parent starts the node after the fork, so
// the child is a copy of a one-thread process and holds no lock a node thread had taken), then
// asks the node with a bare libcurl handle and with a client holding the compiled-in roots. Exit
// status: 0 the bare handle trusted the node and the client did not; 1 the client trusted it; 2 no
// namespace here; 3 the bare handle did not trust it, or no URL came (the test is void).
[[noreturn]] void ask_with_ca_in_default_folder(int url_pipe, const std::string& dir) {
  char buffer[256];  // one write of under PIPE_BUF bytes arrives whole
  const ssize_t got = ::read(url_pipe, buffer, sizeof buffer);
  if (got <= 0) std::_Exit(3);
  const std::string url(buffer, static_cast<std::size_t>(got));
  CURL* bare = curl_easy_init();
  char* folder = nullptr;
  curl_easy_getinfo(bare, CURLINFO_CAPATH, &folder);
  if (folder == nullptr || ::unshare(CLONE_NEWNS) != 0 ||
      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount(dir.c_str(), folder, nullptr, MS_BIND, nullptr) != 0) {
    std::_Exit(2);
  }
  curl_easy_setopt(bare, CURLOPT_URL, url.c_str());
  curl_easy_setopt(bare, CURLOPT_CAINFO, nullptr);      // the folder alone decides
  curl_easy_setopt(bare, CURLOPT_TIMEOUT_MS, 10'000L);  // a silent peer fails, never hangs
  curl_easy_setopt(
      bare, CURLOPT_WRITEFUNCTION,
      +[](char*, std::size_t size, std::size_t count, void*) { return size * count; });
  if (curl_easy_perform(bare) != CURLE_OK) std::_Exit(3);
  const HttpsClient client(ClientSettings{url.substr(0, url.rfind('/')), std::chrono::seconds(5),
                                          std::chrono::milliseconds{0},
                                          std::string(trusted_roots_pem())});
  std::_Exit(failed(client.get_text(url)) ? 0 : 1);
}

TEST(HttpsClient, TrustsNothingFromLibcurlsDefaultCaFolder) {
  test::TlsIdentity identity = test::make_test_identity();
  const CaOnDisk ca = write_ca(identity.ca_pem, "default-folder");
  std::array<int, 2> url_pipe{};
  ASSERT_EQ(::pipe(url_pipe.data()), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(url_pipe[1]);
    ask_with_ca_in_default_folder(url_pipe[0], ca.dir.string());
  }
  ::close(url_pipe[0]);
  FakeNode node(std::move(identity));
  node.set_reply("/x", FakeReply::json("{}"));
  const std::string url = node.base_url() + "/x";
  const bool told =
      ::write(url_pipe[1], url.data(), url.size()) == static_cast<ssize_t>(url.size());
  ::close(url_pipe[1]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(told);
  std::filesystem::remove_all(ca.dir);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no CA folder, or no mount namespace here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: a CA outside the compiled-in roots was trusted";
}
#endif

#if defined(CLONE_NEWNET) && defined(SIOCSIFFLAGS)
// In a child with network and mount namespaces of its own, whose resolver configuration names a
// UDP listener on 127.0.0.1:53 that never answers (the system's resolver waits 30 s for it): a
// read bounded by its deadline, then one by its connect limit. Exit status: 0 both failed in
// time and a query reached the listener; 1 a read outlived its limit; 2 no namespaces here; 3
// the test is void (a read answered, or the lookup did not reach the listener).
[[noreturn]] void read_through_silent_resolver(const std::string& resolv_conf) {
  ifreq loopback{};
  std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
  loopback.ifr_flags = IFF_UP;
  sockaddr_in dns{};
  dns.sin_family = AF_INET;
  dns.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  dns.sin_port = htons(53);
  int listener = -1;  // made inside the namespace
  if ((::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0 &&
       ::unshare(CLONE_NEWUSER | CLONE_NEWNET | CLONE_NEWNS) != 0) ||
      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount(resolv_conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0 ||
      ::ioctl(::socket(AF_INET, SOCK_DGRAM, 0), SIOCSIFFLAGS, &loopback) != 0 ||
      (listener = ::socket(AF_INET, SOCK_DGRAM, 0)) < 0 ||
      ::bind(listener, reinterpret_cast<const sockaddr*>(&dns), sizeof dns) != 0) {
    std::_Exit(2);
  }
  using std::chrono::milliseconds;
  for (const auto& [deadline, connect_limit] :
       {std::pair{milliseconds(800), milliseconds(0)},
        std::pair{milliseconds(20'000), milliseconds(800)}}) {
    const HttpsClient client(ClientSettings{"https://chain.tarnwick.test", deadline, connect_limit,
                                            std::string(trusted_roots_pem())});
    const auto start = std::chrono::steady_clock::now();
    if (!failed(client.get_text("https://chain.tarnwick.test/v1/chain/get_info"))) std::_Exit(3);
    // A second of slack for a busy machine; the unbounded wait is the resolver's 30 s.
    if (std::chrono::steady_clock::now() - start > milliseconds(1800)) std::_Exit(1);
  }
  char query[512];
  std::_Exit(::recv(listener, query, sizeof query, MSG_DONTWAIT) > 0 ? 0 : 3);
}

TEST(HttpsClient, ANameLookupThatNeverEndsEndsWithTheDeadline) {
  const auto conf = std::filesystem::temp_directory_path() /
                    ("tarnwick-resolv-" + std::to_string(::getpid()) + ".conf");
  std::ofstream(conf) << "nameserver 127.0.0.1\noptions timeout:30 attempts:1\n";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) read_through_silent_resolver(conf.string());
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  std::filesystem::remove(conf);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) {
    std::printf("!! SKIPPED no network and mount namespaces of the test's own here\n");
    return;
  }
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: a read outlived its limit; 3: the lookup did not hang";
}
#endif

// A handler that answers /hop/<n> with a redirect to /hop/<n+1> until `hops` redirects were sent.
test::FakeHandler redirect_chain(int hops) {
  return [hops](const RecordedRequest& request) {
    const int n = std::stoi(request.path().substr(5));
    if (n < hops) return FakeReply::redirect(302, "/hop/" + std::to_string(n + 1));
    return FakeReply::json("arrived after " + std::to_string(n));
  };
}

TEST(HttpsClient, FollowsFourRedirectsAndFailsAtTheFifth) {
  {
    FakeNode node;
    node.set_handler(redirect_chain(4));
    const HttpsClient client(test::client_settings(node));
    EXPECT_EQ(text_of(client.get_text(node.base_url() + "/hop/0")), "arrived after 4");
  }
  {
    FakeNode node;
    node.set_handler(redirect_chain(5));
    const HttpsClient client(test::client_settings(node));
    EXPECT_TRUE(failed(client.get_text(node.base_url() + "/hop/0")));
    EXPECT_EQ(node.requests().size(), 5U);  // the fifth redirect answer is not followed
  }
  {
    FakeNode node;
    node.set_reply("/loop", FakeReply::redirect(301, node.base_url() + "/loop"));
    const HttpsClient client(test::client_settings(node));
    EXPECT_TRUE(failed(client.post_json(node.base_url() + "/loop", "{}")));
    EXPECT_EQ(node.requests().size(), 5U);
  }
}

TEST(HttpsClient, RedirectedPostContinuesAsGetExceptFor307) {
  const struct {
    int status;
    const char* method;
    const char* body;
  } cases[] = {{301, "GET", ""}, {302, "GET", ""}, {303, "GET", ""}, {307, "POST", "{\"k\":1}"}};
  for (const auto& c : cases) {
    FakeNode node;
    node.set_reply("/from", FakeReply::redirect(c.status, "/to"));
    node.set_reply("/to", FakeReply::json("landed"));
    const HttpsClient client(test::client_settings(node));
    EXPECT_EQ(text_of(client.post_json(node.base_url() + "/from", "{\"k\":1}")), "landed");
    const auto requests = node.requests();
    ASSERT_EQ(requests.size(), 2U) << c.status;
    EXPECT_EQ(requests[1].method, c.method) << c.status;
    EXPECT_EQ(requests[1].body, c.body) << c.status;
  }
}

TEST(HttpsClient, HttpsOnlyAlsoForRedirectTargets) {
  FakeNode node;
  node.set_reply("/x", FakeReply::json("{}"));
  node.set_reply("/downgrade", FakeReply::redirect(
                                   302, "http://127.0.0.1:" + std::to_string(node.port()) + "/x"));
  const HttpsClient client(test::client_settings(node));
  EXPECT_TRUE(failed(client.get_text("http://127.0.0.1:" + std::to_string(node.port()) + "/x")));
  EXPECT_TRUE(failed(client.get_text(node.base_url() + "/downgrade")));
  EXPECT_EQ(node.requests().size(), 1U);  // only the https request reached the node
}

TEST(HttpsClient, ProxyVariablesAreIgnored) {
  // A port that refuses connections: bound, never listening.
  const int dead = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(dead, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::getsockname(dead, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const std::string proxy = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
  FakeNode node;
  node.set_reply("/x", FakeReply::json("direct"));
  {
    const ScopedEnv a("https_proxy", proxy);
    const ScopedEnv b("HTTPS_PROXY", proxy);
    const ScopedEnv c("ALL_PROXY", proxy);
    const ScopedEnv d("all_proxy", proxy);
    const ScopedEnv e("NO_PROXY", "");
    const HttpsClient client(test::client_settings(node));
    EXPECT_EQ(text_of(client.get_text(node.base_url() + "/x")), "direct");
  }
  ::close(dead);
}

TEST(HttpsClient, RequestsOfOneClientShareOneTlsConnection) {
  FakeNode node;
  node.set_reply("/v1/chain/get_account", FakeReply::json("{\"account_name\":\"abc\"}"));
  node.set_reply("/v2/history/get_actions", FakeReply::json("{\"actions\":[]}"));
  FakeReply chunked = FakeReply::json("{\"rows\":[]}");
  chunked.chunked = true;
  node.set_reply("/v1/chain/get_table_rows", chunked);
  const HttpsClient client(test::client_settings(node));
  const std::string base = client.base_url();
  for (int round = 0; round < 3; ++round) {
    EXPECT_FALSE(failed(client.post_json(base + "/v1/chain/get_account", "{}")));
    EXPECT_FALSE(failed(client.post_json(base + "/v1/chain/get_table_rows", "{}")));
    EXPECT_FALSE(failed(client.get_text(
        client.base_url() + "/v2/history/get_actions?account=abc&limit=100&sort=desc")));
  }
  EXPECT_EQ(node.requests().size(), 9U);
  EXPECT_EQ(node.connections_accepted(), 1U);
  EXPECT_EQ(node.handshakes_completed(), 1U);
}

TEST(HttpsClient, SendsJsonBodyByteForByteWithLowerCaseContentType) {
  FakeNode node;
  node.set_reply("/v1/chain/get_table_rows", FakeReply::json("{}"));
  node.set_reply("/v2/history/get_actions", FakeReply::json("{}"));
  const HttpsClient client(test::client_settings(node));
  constexpr char raw_body[] = "{\"code\":\"a\0b\",\"x\":\"\xC3\xA9\"}";
  const std::string body(raw_body, sizeof raw_body - 1);  // with its NUL byte
  ASSERT_FALSE(failed(client.post_json(node.base_url() + "/v1/chain/get_table_rows", body)));
  ASSERT_FALSE(failed(client.post_json(node.base_url() + "/v1/chain/get_table_rows", "")));
  ASSERT_FALSE(failed(client.get_text(node.base_url() +
                                      "/v2/history/get_actions?account=a.b&limit=100&sort=desc")));
  const auto requests = node.requests();
  ASSERT_EQ(requests.size(), 3U);
  const RecordedRequest& post = requests[0];
  EXPECT_EQ(post.method, "POST");
  EXPECT_EQ(post.version, "HTTP/1.1");
  EXPECT_EQ(post.body, body);
  EXPECT_EQ(post.header("Content-Length"), std::to_string(body.size()));
  int content_types = 0;
  for (const auto& [name, value] : post.headers) {
    if (name == "content-type" && value == "application/json") ++content_types;
    EXPECT_NE(name, "Expect");
    EXPECT_NE(name, "Content-Type");
  }
  EXPECT_EQ(content_types, 1);
  EXPECT_EQ(requests[1].body, "");
  EXPECT_EQ(requests[1].header("Content-Length"), "0");
  const RecordedRequest& get = requests[2];
  EXPECT_EQ(get.method, "GET");
  EXPECT_EQ(get.target, "/v2/history/get_actions?account=a.b&limit=100&sort=desc");
  EXPECT_EQ(get.body, "");
  EXPECT_FALSE(get.header("content-type").has_value());
}

TEST(HttpsClient, MovedClientKeepsWorkingAndItsOriginFailsQuietly) {
  FakeNode node;
  node.set_reply("/x", FakeReply::json("{}"));
  HttpsClient first(test::client_settings(node));
  HttpsClient second(std::move(first));
  EXPECT_EQ(text_of(second.get_text(node.base_url() + "/x")), "{}");
  EXPECT_EQ(second.base_url(), node.base_url());
  EXPECT_TRUE(failed(first.get_text(node.base_url() + "/x")));  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(first.base_url(), "");                              // NOLINT(bugprone-use-after-move)
}

// An option the library refuses (here a body limit beyond what libcurl can represent) leaves a
// client that makes no request at all, rather than one running on the library's defaults.
TEST(HttpsClient, ClientWhoseOptionsDidNotApplyMakesNoRequest) {
  FakeNode node;
  node.set_reply("/x", FakeReply::json("{}"));
  ClientSettings settings = test::client_settings(node);
  settings.body_limit = std::numeric_limits<std::size_t>::max();
  const HttpsClient client(settings);
  EXPECT_TRUE(failed(client.get_text(node.base_url() + "/x")));
  EXPECT_TRUE(failed(client.post_json(node.base_url() + "/x", "{}")));
  EXPECT_TRUE(node.requests().empty());
}

// A run-time libcurl older than the headers refuses the newer options; the client still reads.
TEST(HttpsClient, ClientWhoseLibraryRefusesANewerOptionStillReads) {
  FakeNode node;
  node.set_reply("/x", FakeReply::json("{}"));
  ClientSettings settings = test::client_settings(node);
  settings.refuse_newer_options = true;
  EXPECT_EQ(text_of(HttpsClient(settings).get_text(node.base_url() + "/x")), "{}");
}

}  // namespace
}  // namespace tarnwick

// Sequential chain requests over one ChainClient against a loopback FakeNode: requests per second,
// TLS handshakes per request, and the client's cost against a bare libcurl loop making the same
// requests over its own kept-alive connection, as a ratio measured in the same run. Both sides are
// warmed up first (connection, handshake and root loading happen once and are not timed). Then how
// close to its value the answer limit ends an exchange with a node that never answers.
//
//   chain_client_bench [requests-per-round]      (default 5000; 3 interleaved rounds, best kept)
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/https_client.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"

namespace {

using Clock = std::chrono::steady_clock;
const std::string request_body = R"({"account_name":"tokenissuer"})";

std::size_t keep(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// The same exchange with libcurl alone: one handle, HTTP/1.1, the node's CA, the same POST.
class BareCurl {
 public:
  explicit BareCurl(const tarnwick::test::FakeNode& node)
      : handle_(curl_easy_init()), url_(node.base_url() + "/v1/chain/get_account") {
    curl_blob roots{};
    roots.data = const_cast<char*>(node.ca_pem().data());
    roots.len = node.ca_pem().size();
    roots.flags = CURL_BLOB_COPY;
    headers_ = curl_slist_append(nullptr, "content-type: application/json");
    headers_ = curl_slist_append(headers_, "Expect:");
    curl_easy_setopt(handle_, CURLOPT_CAINFO_BLOB, &roots);
    curl_easy_setopt(handle_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle_, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(handle_, CURLOPT_POSTFIELDS, request_body.data());
    curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(request_body.size()));
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, keep);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &sink_);
  }
  ~BareCurl() {
    curl_slist_free_all(headers_);
    curl_easy_cleanup(handle_);
  }
  BareCurl(const BareCurl&) = delete;
  BareCurl& operator=(const BareCurl&) = delete;

  double seconds(int requests) {
    const auto start = Clock::now();
    for (int i = 0; i < requests; ++i) {
      sink_.clear();
      if (curl_easy_perform(handle_) != CURLE_OK) std::fprintf(stderr, "bare request failed\n");
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
  }

 private:
  CURL* handle_;
  curl_slist* headers_ = nullptr;
  std::string url_;
  std::string sink_;
};

double client_seconds(const tarnwick::HttpsClient& client, int requests) {
  const std::string url = client.base_url() + "/v1/chain/get_account";
  const auto start = Clock::now();
  for (int i = 0; i < requests; ++i) {
    if (std::holds_alternative<tarnwick::ReadFailure>(client.post_json(url, request_body))) {
      std::fprintf(stderr, "client request failed\n");
    }
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Exchanges with a node that accepts the request and never answers, under an answer limit of
// `limit`: how much later than the limit each one ended, in ms, sorted.
std::vector<double> answer_limit_overshoot(const tarnwick::HttpsClient& client,
                                           std::chrono::milliseconds limit, int exchanges) {
  std::vector<double> late;
  for (int i = 0; i < exchanges; ++i) {
    const auto start = Clock::now();
    const tarnwick::Exchange exchange =
        client.exchange(client.base_url() + "/silent", request_body,
                        tarnwick::ExchangeLimits{std::chrono::seconds(10), limit});
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (exchange.ending != tarnwick::Ending::answer_late) {
      std::fprintf(stderr, "an exchange did not end by the answer limit\n");
    }
    late.push_back(ms - static_cast<double>(limit.count()));
  }
  std::sort(late.begin(), late.end());
  return late;
}

}  // namespace

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
  constexpr int rounds = 3;
  tarnwick::test::FakeNode node;
  // A reply the size of a typical get_account answer.
  node.set_reply("/v1/chain/get_account",
                 tarnwick::test::FakeReply::json(
                     R"({"account_name":"tokenissuer","created":"2024-01-15T10:30:00.000",)" +
                     std::string(R"("permissions":[)") + std::string(1500, ' ') + "]}"));
  const tarnwick::HttpsClient client(
      tarnwick::test::client_settings(node, std::chrono::seconds(30)));
  const std::size_t handshakes_at_start = node.handshakes_completed();
  client_seconds(client, 1);  // first connection and handshake of the client
  const std::size_t first_handshakes = node.handshakes_completed() - handshakes_at_start;
  BareCurl bare(node);
  bare.seconds(1);
  const std::size_t handshakes_before = node.handshakes_completed();
  double best_client = 1e30;
  double best_bare = 1e30;
  for (int round = 0; round < rounds; ++round) {
    best_client = std::min(best_client, client_seconds(client, requests));
    best_bare = std::min(best_bare, bare.seconds(requests));
  }
  const std::size_t later_handshakes = node.handshakes_completed() - handshakes_before;
  const int total = rounds * requests;
  std::printf("requests per round: %d, rounds: %d (best round of each side)\n", requests, rounds);
  std::printf("ChainClient:  %.0f requests/s\n", requests / best_client);
  std::printf("bare libcurl: %.0f requests/s\n", requests / best_bare);
  std::printf("TLS handshakes: %zu for the first request, %zu in the next %d (%.4f per request)\n",
              first_handshakes, later_handshakes, total,
              static_cast<double>(later_handshakes) / total);
  std::printf("client time / bare libcurl time: %.3f\n", best_client / best_bare);
  node.set_reply("/silent", tarnwick::test::FakeReply::silent());
  for (const auto limit : {std::chrono::milliseconds(300), std::chrono::milliseconds(1200)}) {
    constexpr int exchanges = 9;
    const std::vector<double> late = answer_limit_overshoot(client, limit, exchanges);
    std::printf(
        "answer limit %lld ms, a node that never answers (%d exchanges, each on a new "
        "connection): ended %.1f ms after the limit (median), %.1f to %.1f\n",
        static_cast<long long>(limit.count()), exchanges, late[late.size() / 2], late.front(),
        late.back());
  }
  return 0;
}

// The update check against a loopback fake download site: time per check (a fresh client, its
// TLS handshake, the GET of /updates.json, the parse and the answer) as a ratio to one bare
// libcurl GET of the same manifest on a fresh handle, measured in the same run.
//
//   update_check_bench [checks-per-round]      (default 300; 3 interleaved rounds, best kept)
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "service/update_notice.h"
#include "support/fake_node.h"
#include "support/fake_node_client.h"

namespace {

using Clock = std::chrono::steady_clock;

std::size_t keep(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// One GET on a fresh handle: name resolution, connect and handshake every time, as the check has.
bool bare_get(const std::string& url, const std::string& ca_pem) {
  CURL* handle = curl_easy_init();
  std::string body;
  curl_blob roots{};
  roots.data = const_cast<char*>(ca_pem.data());
  roots.len = ca_pem.size();
  roots.flags = CURL_BLOB_COPY;
  curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &roots);
  curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, keep);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
  const bool ok = curl_easy_perform(handle) == CURLE_OK && !body.empty();
  curl_easy_cleanup(handle);
  return ok;
}

template <typename F>
double seconds_each(int count, F&& one) {
  int failed = 0;
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) failed += one() ? 0 : 1;
  if (failed > 0) std::fprintf(stderr, "%d operations failed\n", failed);
  return std::chrono::duration<double>(Clock::now() - start).count() / count;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
  constexpr int rounds = 3;
  curl_global_init(CURL_GLOBAL_DEFAULT);
  tarnwick::test::FakeNode site;
  site.set_reply(
      "/updates.json",
      tarnwick::test::FakeReply::json(
          R"({"tarnwick":{"version":"0.2.0","page":"https://get.tarnwick.app/0.2.0"}})"));
  const std::string url = site.base_url() + "/updates.json";
  const tarnwick::UpdateCheck check{
      std::nullopt, url, tarnwick::manifest_client_settings(tarnwick::test::client_settings(site))};
  const std::string expected =
      R"({"available":true,"current":"0.1.1","page":"https://get.tarnwick.app/0.2.0","version":"0.2.0"})";
  const auto one_check = [&] { return tarnwick::run_update_check(check) == expected; };
  const auto one_get = [&] { return bare_get(url, site.ca_pem()); };
  one_check();
  one_get();
  double best_check = 1e30;
  double best_get = 1e30;
  for (int round = 0; round < rounds; ++round) {
    best_check = std::min(best_check, seconds_each(count, one_check));
    best_get = std::min(best_get, seconds_each(count, one_get));
  }
  std::printf("update check: %d per round, %d interleaved rounds, best kept\n", count, rounds);
  std::printf("| %-44s | %11.2f ms |\n", "update check (fresh client, TLS, parse)",
              1000 * best_check);
  std::printf("| %-44s | %11.2f ms |\n", "bare libcurl GET on a fresh handle", 1000 * best_get);
  std::printf("| %-44s | %14.3f |\n", "ratio check / bare GET", best_check / best_get);
  return 0;
}

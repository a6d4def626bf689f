// The shipped binary under a long run of /health requests, one connection each, in sequence: it
// keeps answering every one, and its open descriptors and resident memory after the last request
// are what they were after the first thousand (small slack for the allocator). No timing is
// asserted.
#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>

#include "support/process_state.h"
#include "support/service_process.h"
#include "support/serving_harness.h"

namespace tarnwick::test {
namespace {

constexpr std::size_t total_requests = TARNWICK_HEALTH_REQUESTS;
constexpr std::size_t warm_up_requests = 1000;
// Resident memory may move a little as the allocator settles (more under AddressSanitizer, see
// CMakeLists.txt); a leak of even a few bytes per request exceeds it (100,000 x 16 bytes is
// 1.5 MiB, 20,000 x 128 bytes 2.4 MiB).
constexpr std::size_t resident_slack_kib = TARNWICK_RESIDENT_SLACK_KIB;

// Sends `count` /health requests; the number of answers that were not the exact health answer.
std::size_t wrong_answers(std::size_t count) {
  const std::string request = get_request("/health");
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (exchange_8070(request) != health_answer) ++wrong;
  }
  return wrong;
}

TEST(HealthLoad, EveryRequestAnsweredWithFlatDescriptorsAndMemory) {
  const ScratchHome home;
  ServiceProcess service(TARNWICK_BINARY, home.environment());
  ASSERT_TRUE(service.wait_for_banner()) << "the service did not start (is 127.0.0.1:8070 free?)";

  ASSERT_EQ(wrong_answers(warm_up_requests), 0U);
  const std::optional<std::size_t> descriptors_early = open_descriptor_count(service.pid());
  const std::optional<std::size_t> resident_early = resident_kib(service.pid());

  EXPECT_EQ(wrong_answers(total_requests - warm_up_requests), 0U);
  ASSERT_TRUE(service.running());
  const std::optional<std::size_t> descriptors_late = open_descriptor_count(service.pid());
  const std::optional<std::size_t> resident_late = resident_kib(service.pid());
  if (!descriptors_early || !resident_early || !descriptors_late || !resident_late) {
    GTEST_SKIP() << "this system did not tell descriptors and memory: not measured";
  }
  EXPECT_EQ(*descriptors_late, *descriptors_early);
  EXPECT_LE(*resident_late, *resident_early + resident_slack_kib)
      << "resident memory after " << warm_up_requests << " requests: " << *resident_early
      << " KiB, after " << total_requests << ": " << *resident_late << " KiB";
  std::printf("[ figures  ] %zu requests; descriptors %zu -> %zu; resident %zu -> %zu KiB\n",
              total_requests, *descriptors_early, *descriptors_late, *resident_early,
              *resident_late);
}

}  // namespace
}  // namespace tarnwick::test

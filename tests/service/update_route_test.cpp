#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/scoped_env.h"
#include "support/service_process.h"
#include "support/serving_harness.h"

namespace tarnwick {
namespace {

// Points HOME at a scratch home holding the data folder for one test, and puts it back afterwards.
class TemporaryHome {
 public:
  TemporaryHome() { std::filesystem::create_directories(data_folder()); }
  std::filesystem::path data_folder() const {
    return scratch_.home() / "Library/Application Support/tarnwick";
  }

 private:
  const test::ScratchHome scratch_;
  const test::ScopedEnv home_{"HOME", scratch_.home().string()};
};

TEST(UpdateRoute, AnswersTheNoticeForTheExactPathWithAnyQuery) {
  TemporaryHome home;
  std::filesystem::create_directory(home.data_folder() / "no-update-check");
  const ScanContext context = unreachable_node_context();
  const ServingHarness service(context);
  for (const char* target : {"/update", "/update?x=1"}) {
    const HttpAnswer answer = parse_answer(service.exchange(get_request(target)));
    EXPECT_EQ(answer.status_line, "HTTP/1.1 200 OK") << target;
    EXPECT_EQ(answer.header("Content-Type"), "application/json");
    EXPECT_EQ(answer.body, R"({"available":false,"current":"0.1.1"})");
  }
  EXPECT_EQ(parse_answer(service.exchange(get_request("/updates"))).status_line,
            "HTTP/1.1 404 Not Found");
}

}  // namespace
}  // namespace tarnwick

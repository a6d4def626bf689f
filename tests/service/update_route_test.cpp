#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/serving_harness.h"

namespace tarnwick {
namespace {

// Points HOME at a temporary home for one test and puts it back afterwards.
class TemporaryHome {
 public:
  TemporaryHome() : path_(std::filesystem::temp_directory_path() / "tarnwick-update-route-home") {
    if (const char* home = std::getenv("HOME")) saved_ = home;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_ / "Library/Application Support/tarnwick");
    ::setenv("HOME", path_.c_str(), 1);
  }
  ~TemporaryHome() {
    if (saved_) {
      ::setenv("HOME", saved_->c_str(), 1);
    } else {
      ::unsetenv("HOME");
    }
    std::filesystem::remove_all(path_);
  }
  std::filesystem::path data_folder() const {
    return path_ / "Library/Application Support/tarnwick";
  }

 private:
  std::filesystem::path path_;
  std::optional<std::string> saved_;
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

#include "service/startup.h"
#include "service/listener.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace tarnwick {
namespace {

TEST(StartupLines, BannerAndUrl) {
  EXPECT_EQ(service_url(), "http://127.0.0.1:8070");
  EXPECT_EQ(banner_line(),
            "Tarnwick scanner v0.1.0 \xC2\xB7 http://127.0.0.1:8070 \xC2\xB7 read-only \xC2\xB7 "
            "non-custodial \xC2\xB7 know before you ape\n");
}

TEST(StartupLines, BindFailureNamesTheSystemErrorAndItsCode) {
  for (const int error : {EADDRINUSE, EACCES, EADDRNOTAVAIL}) {
    EXPECT_EQ(bind_failure_line(error), "Tarnwick: cannot bind 127.0.0.1:8070 \xE2\x80\x94 " +
                                            std::string(std::strerror(error)) + " (os error " +
                                            std::to_string(error) + ")\n");
  }
}

TEST(Browser, OnlyLoopbackHttpOrAnyHttps) {
  for (const char* url : {"http://127.0.0.1:8070", "http://127.0.0.1:1", "http://localhost:8070",
                          "https://example.com/x", "https://"}) {
    EXPECT_TRUE(browser_url_allowed(url)) << url;
  }
  for (const char* url :
       {"http://example.com/", "http://127.0.0.1/", "http://127.0.0.10:8070", "http://localhost/",
        "HTTP://127.0.0.1:8070", "http://LOCALHOST:8070", "Https://example.com", "file:///etc",
        "javascript:alert(1)", "-a", "", " https://x"}) {
    EXPECT_FALSE(browser_url_allowed(url)) << url;
  }
}

TEST(Browser, FindOnPathTakesTheFirstExecutable) {
  EXPECT_EQ(find_on_path("sh", "/nonexistent:/bin:/usr/bin"), "/bin/sh");
  EXPECT_EQ(find_on_path("no-such-command-here", "/bin:/usr/bin"), std::nullopt);
  EXPECT_EQ(find_on_path("passwd", "/etc"), std::nullopt);  // exists, not executable
  EXPECT_EQ(find_on_path("bin", "/"), std::nullopt);        // a directory
  // Empty and relative entries would name whatever folder the service was started in.
  const auto started_in = std::filesystem::current_path();
  std::filesystem::current_path("/bin");
  EXPECT_EQ(find_on_path("sh", ":.:bin:../bin"), std::nullopt);
  EXPECT_EQ(find_on_path("sh", ":/bin"), "/bin/sh");
  std::filesystem::current_path(started_in);
}

}  // namespace
}  // namespace tarnwick

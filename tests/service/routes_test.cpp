#include "service/routes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/cockpit/cockpit_page.h"
#include "support/serving_harness.h"

namespace tarnwick {
namespace {

class RouterTest : public ::testing::Test {
 protected:
  Response answer(std::string_view request) const { return answer_request(request, context_); }
  const ScanContext context_ = unreachable_node_context();
};

TEST_F(RouterTest, RouteTable) {
  struct Case {
    std::string target;
    std::string_view status;
    std::string_view content_type;
    std::string body;
  };
  const std::string page(cockpit_page());
  const std::vector<Case> cases = {
      {"/health", status_ok, content_type_text, "ok"},
      {"/healthz", status_ok, content_type_text, "ok"},
      {"/health?x=1", status_ok, content_type_text, "ok"},
      {"/health/../scan?token=abc", status_ok, content_type_text, "ok"},
      {"/", status_ok, content_type_html, page},
      {"/index.html", status_ok, content_type_html, page},
      {"/index.html?x=1", status_ok, content_type_html, page},
      {"/?token=abc", status_ok, content_type_html, page},
      {"/?x=1?y=2", status_ok, content_type_html, page},
      {"/Health", status_not_found, content_type_text, "not found"},
      {"/INDEX.HTML", status_not_found, content_type_text, "not found"},
      {"/index.htm", status_not_found, content_type_text, "not found"},
      {"//", status_not_found, content_type_text, "not found"},
      {"/Scan?token=abc", status_not_found, content_type_text, "not found"},
      {"/favicon.ico", status_not_found, content_type_text, "not found"},
      {"", status_not_found, content_type_text, "not found"},
      {"*", status_not_found, content_type_text, "not found"},
  };
  for (const Case& c : cases) {
    const Response response = answer(get_request(c.target));
    EXPECT_EQ(response.status, c.status) << c.target;
    EXPECT_EQ(response.content_type, c.content_type) << c.target;
    EXPECT_EQ(response.body, c.body) << c.target;
  }
}

TEST_F(RouterTest, TwoSpacesAfterGetMeanTheEmptyTarget) {
  const Response response = answer("GET  /health HTTP/1.1\r\nHost: localhost:8070\r\n\r\n");
  EXPECT_EQ(response.status, status_not_found);
  EXPECT_EQ(response.body, "not found");
}

TEST_F(RouterTest, NoSecondPieceMeansThePage) {
  const Response response = answer("GET\r\nHost: 127.0.0.1:8070\r\n\r\n");
  EXPECT_EQ(response.status, status_method_not_allowed);  // "GET" alone fails the method guard
  const Response bare = answer("GET \r\nHost: 127.0.0.1:8070\r\n\r\n");
  EXPECT_EQ(bare.status, status_not_found);  // an empty second piece, not a missing one
}

TEST_F(RouterTest, GuardsComeFirstMethodBeforeHost) {
  struct Case {
    std::string request;
    std::string_view status;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"POST /scan?token=abc HTTP/1.1\r\nHost: localhost:8070\r\n\r\n", status_method_not_allowed,
       "method not allowed"},
      {"HEAD / HTTP/1.1\r\nHost: localhost:8070\r\n\r\n", status_method_not_allowed,
       "method not allowed"},
      {"POST / HTTP/1.1\r\nHost: evil.example\r\n\r\n", status_method_not_allowed,
       "method not allowed"},
      {"get /health HTTP/1.1\r\nHost: localhost:8070\r\n\r\n", status_method_not_allowed,
       "method not allowed"},
      {"", status_method_not_allowed, "method not allowed"},
      {"GET /health HTTP/1.1\r\nHost: evil.example\r\n\r\n", status_forbidden, "forbidden host"},
      {"GET /health HTTP/1.1\r\n\r\n", status_forbidden, "forbidden host"},
      {"GET /health HTTP/1.1\r\nHost: localhost:8070\r\nX: \xFF\r\n\r\n", status_forbidden,
       "forbidden host"},
      {"GET /health HTTP/1.1\r\n", status_forbidden, "forbidden host"},
  };
  for (const Case& c : cases) {
    const Response response = answer(c.request);
    EXPECT_EQ(response.status, c.status) << c.request;
    EXPECT_EQ(response.content_type, content_type_text) << c.request;
    EXPECT_EQ(response.body, c.body) << c.request;
  }
}

}  // namespace
}  // namespace tarnwick

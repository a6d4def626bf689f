#include "service/request_guards.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick {
namespace {

std::string get_with_host(std::string_view host_line) {
  return "GET /health HTTP/1.1\r\n" + std::string(host_line) + "\r\nAccept: */*\r\n\r\n";
}

TEST(MethodGuard, OnlyUpperCaseGetWithOneSpace) {
  EXPECT_TRUE(method_allowed("GET / HTTP/1.1\r\n\r\n"));
  EXPECT_TRUE(method_allowed("GET "));
  for (const char* request : {"", "GET", "GET\t/", "get / HTTP/1.1", "HEAD / HTTP/1.1",
                              "POST /scan HTTP/1.1", "OPTIONS * HTTP/1.1", " GET /"}) {
    EXPECT_FALSE(method_allowed(request)) << request;
  }
}

TEST(HostGuard, AdmitsOnlyTheServiceAuthority) {
  struct Case {
    std::string request;
    bool allowed;
  };
  const std::vector<Case> cases = {
      {get_with_host("Host: localhost:8070"), true},
      {get_with_host("Host: 127.0.0.1:8070"), true},
      {get_with_host("host:localhost:8070"), true},
      {get_with_host("HOST: LOCALHOST:8070"), true},
      {get_with_host("Host:   localhost:8070  \t"), true},
      {get_with_host(" Host : localhost:8070"), true},
      // Unicode White_Space around the value: NBSP, U+3000 and NEL are trimmed.
      {get_with_host("Host:\xC2\xA0localhost:8070\xE3\x80\x80"), true},
      {get_with_host("\xC2\x85Host\xC2\x85: 127.0.0.1:8070"), true},
      {get_with_host("Host: evil.example\r\nHost: localhost:8070"), true},
      {"GET / HTTP/1.1\r\nHost: localhost:8070", true},  // no blank line: the head is everything
      {"GET / HTTP/1.1\r\nHost: localhost:8070\r\n", true},
      {get_with_host("Host: localhost"), false},
      {get_with_host("Host: 127.0.0.1"), false},
      {get_with_host("Host: [::1]:8070"), false},
      {get_with_host("Host: evil.example:8070"), false},
      {get_with_host("Host: localhost:8070.evil"), false},
      {get_with_host("Host: localhost:80700"), false},
      {get_with_host("Host localhost:8070"), false},  // no colon: skipped
      {get_with_host("X-Host: localhost:8070"), false},
      {get_with_host("Ho st: localhost:8070"), false},
      {get_with_host("Host: local\xC4\xB0host:8070"), false},  // no Unicode case folding
      {"GET / HTTP/1.1\r\nAccept: */*\r\n\r\n", false},
      {"GET / HTTP/1.1\nHost: localhost:8070\n\n", false},        // bare LF: no header lines
      {"GET / HTTP/1.1\r\n\r\nHost: localhost:8070\r\n", false},  // after the head
      {"Host: localhost:8070\r\n\r\n", false},                    // the request line never counts
      {"", false},
      // Any invalid UTF-8 in the head empties it: overlong, surrogate, above U+10FFFF, truncated.
      {get_with_host("Host: localhost:8070\r\nX: \xC0\xAF"), false},
      {get_with_host("Host: localhost:8070\r\nX: \xED\xA0\x80"), false},
      {get_with_host("Host: localhost:8070\r\nX: \xF4\x90\x80\x80"), false},
      {get_with_host("Host: localhost:8070\r\nX: \xE2\x82"), false},
      {"GET /\xFF HTTP/1.1\r\nHost: localhost:8070\r\n\r\n", false},
      // Invalid bytes after the head do not matter.
      {get_with_host("Host: localhost:8070") + "\xFF\xFE", true},
  };
  for (const Case& c : cases) EXPECT_EQ(host_allowed(c.request), c.allowed) << c.request;
}

TEST(OriginGuard, RefusesWhatABrowserMarksAsSentForAnotherSite) {
  const std::string head = "GET /scan?token=abc HTTP/1.1\r\nHost: localhost:8070\r\n";
  const std::vector<std::pair<std::string, bool>> cases = {
      {"", true},  // bots and command-line clients send neither header
      {"Sec-Fetch-Site: same-origin\r\nOrigin: http://127.0.0.1:8070\r\n", true},
      {"Sec-Fetch-Site: none\r\norigin:  HTTP://LOCALHOST:8070 \r\n", true},
      {"sec-fetch-site: Same-Site\r\n", false},
      {"Sec-Fetch-Site: cross-site\r\n", false},
      {"Origin: null\r\n", false},  // sandboxed frames and other opaque origins
      {"Origin: https://localhost:8070\r\n", false},
      {"Origin: http://localhost:8070\r\nOrigin: http://127.0.0.1:8071\r\n", false},
      {"\r\nOrigin: http://evil.example\r\n", true},  // after the head: not a header
      // The read ends inside the head (refused otherwise: the browser suite's padded images):
      // the browser's word for its own page still admits it.
      {"Sec-Fetch-Site: same-origin\r\nX-Cut: a", true},
      {"Sec-Fetch-Site: none\r\nX-Cut: a", true},
  };
  for (const auto& [lines, allowed] : cases) {
    EXPECT_EQ(origin_allowed(head + lines + "\r\n"), allowed) << lines;
  }
}

TEST(RequestTarget, SecondPieceOfTheFirstLine) {
  struct Case {
    std::string request;
    std::string target;
  };
  const std::vector<Case> cases = {
      {"GET /health HTTP/1.1\r\nHost: x\r\n\r\n", "/health"},
      {"GET /scan?token=abc HTTP/1.1\r\n", "/scan?token=abc"},
      {"GET /index.html", "/index.html"},
      {"GET  /health HTTP/1.1\r\n", ""},  // two spaces: the empty second piece
      {"GET", "/"},
      {"", "/"},
      {"GET /a\rb HTTP/1.1", "/a"},
      {"GET /a\nb HTTP/1.1", "/a"},
      {"GET /caf\xC3\xA9 HTTP/1.1\r\n", "/caf\xC3\xA9"},
      {"GET /\xFF HTTP/1.1\r\n", "/"},     // invalid UTF-8 first line: empty text, no second piece
      {"GET /x\r\nHost: \xFF\r\n", "/x"},  // only the first line is decoded
  };
  for (const Case& c : cases) EXPECT_EQ(request_target(c.request), c.target) << c.request;
}

TEST(RequestPath, TargetBeforeTheFirstQuestionMark) {
  EXPECT_EQ(request_path("/index.html?x=1"), "/index.html");
  EXPECT_EQ(request_path("/?token=abc?y"), "/");
  EXPECT_EQ(request_path("/update"), "/update");
  EXPECT_EQ(request_path(""), "");
}

TEST(TokenParam, FirstTokenKeyDecidesAndOnlyAccountNamesPass) {
  struct Case {
    std::string target;
    std::optional<std::string> token;
  };
  const std::vector<Case> cases = {
      {"/scan?token=abc", "abc"},
      {"/scan?token=abc&token=xyz", "abc"},
      {"/scan?token=ABC&token=xyz", std::nullopt},  // the first one decides, even when invalid
      {"/scan?x=1&token=abc?y", "abc"},             // the query ends at the second '?'
      {"/scan?x=1?token=abc", std::nullopt},
      {"/scan?token=abc.def", "abc.def"},
      {"/scan?token=a", "a"},
      {"/scan?token=.", std::nullopt},
      {"/scan?token=.a", ".a"},
      {"/scan?token=eosio.token", "eosio.token"},
      {"/scan?token=abcdefghij12", "abcdefghij12"},
      {"/scan?token=abcdefghij123", std::nullopt},  // 13 bytes
      {"/scan?token=abc.", std::nullopt},
      {"/scan?token=ABC", std::nullopt},
      {"/scan?token=ab0", std::nullopt},
      {"/scan?token=ab6", std::nullopt},
      {"/scan?token=ab9", std::nullopt},
      {"/scan?token=%61bc", std::nullopt},
      {"/scan?token=a+b", std::nullopt},
      {"/scan?token=@abc", std::nullopt},
      {"/scan?token=a-b", std::nullopt},
      {"/scan?token=abc#frag", std::nullopt},
      {"/scan?token=a=b", std::nullopt},
      {"/scan?token", std::nullopt},
      {"/scan?token=", std::nullopt},
      {"/scan?Token=abc", std::nullopt},
      {"/scan?tokens=abc", std::nullopt},
      {"/scan?xtoken=abc&token=def", "def"},
      {"/scan?&&token=abc&", "abc"},
      {"/scan?=abc&token=def", "def"},
      {"/scan", std::nullopt},
      {"/scan?", std::nullopt},
      {"/oracle/anything?token=abc", "abc"},
      {"/scan?token=caf\xC3\xA9", std::nullopt},
  };
  for (const Case& c : cases) {
    const std::string request = "GET " + c.target + " HTTP/1.1\r\nHost: localhost:8070\r\n\r\n";
    EXPECT_EQ(token_param(request_target(request), "token"), c.token) << c.target;
  }
}

TEST(TokenParam, ReadsTheTargetNotTheHeaders) {
  const auto token_of = [](std::string_view request, std::string_view key) {
    return token_param(request_target(request), key);
  };
  EXPECT_EQ(token_of("GET /scan HTTP/1.1\r\nX: ?token=abc\r\n\r\n", "token"), std::nullopt);
  EXPECT_EQ(token_of("GET /scan?token=abc", "token"), "abc");
  EXPECT_EQ(token_of("GET /scan?token=abc HTTP/1.1", "other"), std::nullopt);
  EXPECT_EQ(token_of("GET /scan?other=abc HTTP/1.1", "other"), "abc");
}

TEST(SymbolParam, EmptyIsAbsentAndOnlyOneToSevenCapitalsPass) {
  using Kind = SymbolParam::Kind;
  struct Case {
    std::string target;
    Kind kind;
    std::string symbol;
  };
  const std::vector<Case> cases = {
      {"/liquidity?token=abc", Kind::none, ""},
      {"/liquidity?token=abc&symbol=", Kind::none, ""},
      {"/liquidity?token=abc&symbol", Kind::none, ""},
      {"/liquidity?symbol=TOK&token=abc", Kind::given, "TOK"},
      {"/liquidity?token=abc&symbol=ABCDEFG", Kind::given, "ABCDEFG"},
      {"/liquidity?symbol=P", Kind::given, "P"},
      {"/liquidity?symbol=ABCDEFGH", Kind::invalid, ""},
      {"/liquidity?symbol=tok", Kind::invalid, ""},
      {"/liquidity?symbol=4,TOK", Kind::invalid, ""},
      {"/liquidity?symbol=T%4FK", Kind::invalid, ""},
      {"/liquidity?symbol=TOK&symbol=x", Kind::given, "TOK"},
      {"/liquidity?symbol=x&symbol=TOK", Kind::invalid, ""},  // the first one decides
      {"/liquidity?token=abc?symbol=TOK", Kind::none, ""},
  };
  for (const Case& c : cases) {
    const SymbolParam param = symbol_param(c.target);
    EXPECT_EQ(param.kind, c.kind) << c.target;
    EXPECT_EQ(param.symbol, c.symbol) << c.target;
  }
}

}  // namespace
}  // namespace tarnwick

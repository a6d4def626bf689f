#include "assess/json_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick {
namespace {

TEST(JsonEscape, Table) {
  struct Case {
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {std::string("\t\n\r\"\\\x01", 6), "\\t\\n\\\"\\\\"},
      {std::string("a\0b", 3), "ab"},
      {"\x1f x \x7f", " x \x7f"},
      {"ab\"cd\\ef\r\ngh\t", "ab\\\"cd\\\\ef\\ngh\\t"},
      {"\"\"", "\\\"\\\""},
      {"a/b", "a/b"},
      {"a.b.c", "a.b.c"},
      {"— · 🙂 é", "— · 🙂 é"},
      {"\xff\xfe", "\xff\xfe"},  // stray bytes pass unchanged; none is a control character
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json_escape(c.in), c.out) << c.in;
  }
  EXPECT_EQ(json_escape(cases[0].in).size(), 8U);
}

TEST(JsonQuote, WrapsTheEscapedText) {
  EXPECT_EQ(json_quote("say \"hi\"\n"), "\"say \\\"hi\\\"\\n\"");
  EXPECT_EQ(json_quote(""), "\"\"");
}

}  // namespace
}  // namespace tarnwick

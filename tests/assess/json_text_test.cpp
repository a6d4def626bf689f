#include "assess/renderings.h"

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
    std::string escaped = "kept:";
    append_json_escaped(escaped, c.in);
    EXPECT_EQ(escaped, "kept:" + std::string(c.out)) << c.in;
  }
}

TEST(JsonQuote, WrapsTheEscapedText) {
  std::string quoted;
  append_json_quoted(quoted, "say \"hi\"\n");
  EXPECT_EQ(quoted, "\"say \\\"hi\\\"\\n\"");
}

}  // namespace
}  // namespace tarnwick

#include "assess/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarnwick {
namespace {

TEST(JsonWriter, Table) {
  struct Case {
    std::string_view name;
    void (*write)(JsonObject&);
    std::string_view json;
  };
  const Case cases[] = {
      {"nesting, commas, empty objects and arrays",
       [](JsonObject& o) {
         o.member("a", 1);
         {
           JsonArray list = o.array("list");
           list.item("x");
           JsonObject item = list.object();
           item.member("b", true);
           item.member("c", std::vector<int>{});
         }
         { JsonArray empty = o.array("empty"); }
         {
           JsonArray outer = o.array("nested");
           { JsonArray inner = outer.array(); }
           { JsonObject inner = outer.object(); }
           outer.item(false);
         }
         { JsonObject empty = o.object("object"); }
         o.member("z", "text");
       },
       R"({"a":1,"list":["x",{"b":true,"c":[]}],"empty":[],"nested":[[],{},false],)"
       R"("object":{},"z":"text"})"},
      {"nulls: empty optionals, nullopt, monostate, an empty text, a double not finite",
       [](JsonObject& o) {
         o.member("a", std::optional<std::uint32_t>());
         o.member("b", std::nullopt);
         o.member("c", std::variant<std::uint64_t, std::monostate>(std::monostate{}));
         o.member("d", nonempty(""));
         o.member("e", nonempty("t"));
         o.member("f", std::numeric_limits<double>::infinity());
         o.member("g", std::nan(""));
       },
       R"({"a":null,"b":null,"c":null,"d":null,"e":"t","f":null,"g":null})"},
      {"keys, texts and items escaped; control characters dropped",
       [](JsonObject& o) {
         o.member("k\"\x01", "a\\b\t\n\r/");
         o.member("list", std::vector<std::string_view>{"\"", "\x1f"});
       },
       R"({"k\"":"a\\b\t\n/","list":["\"",""]})"},
      {"numbers of every width and sign",
       [](JsonObject& o) {
         o.member("u8", std::uint8_t{200});
         o.member("min", std::numeric_limits<std::int64_t>::min());
         o.member("neg", std::variant<std::int64_t, double>(std::int64_t{-5}));
         o.member("wide", ~Uint128{0});
         o.member("real", 0.1);
       },
       R"({"u8":200,"min":-9223372036854775808,"neg":-5,)"
       R"("wide":340282366920938463463374607431768211455,"real":0.1})"},
  };
  for (const Case& c : cases) {
    std::string out = "kept:";
    {
      JsonObject answer(out);
      c.write(answer);
    }
    EXPECT_EQ(out, "kept:" + std::string(c.json)) << c.name;
  }
}

}  // namespace
}  // namespace tarnwick

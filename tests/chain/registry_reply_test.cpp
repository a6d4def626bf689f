#include "chain/registry_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/json_reader.h"

namespace tarnwick {
namespace {

// A row in binary form, by hand: id 7, tcontract xtokens (its name code, little-endian), tname
// "XUSDC", url, desc and iconurl empty, then the symbol (6,XUSDC) and blisted (1) given.
std::string row_hex(std::string_view symbol = "0658555344430000", std::string_view blisted = "01",
                    std::string_view tname = "055855534443") {
  return "0700000000000000000000004f0569ee" + std::string(tname) + "000000" + std::string(symbol) +
         std::string(blisted);
}

RegistryRow xusdc() { return {7, "xtokens", "XUSDC", "XUSDC", 6, true}; }

TEST(RegistryReply, BinaryRowsDecodeWholeOrNotAtAll) {
  EXPECT_EQ(decode_registry_row(row_hex()), xusdc());
  // A precision the node's JSON cannot carry.
  EXPECT_EQ(decode_registry_row(row_hex("1358555344430000")).value_or(RegistryRow{}).precision,
            19U);

  const std::string whole = row_hex();
  const struct {
    const char* name;
    std::string hex;
  } unreadable[] = {
      {"truncated", whole.substr(0, whole.size() - 2)},
      {"a byte left over", whole + "00"},
      {"no hex digit", whole.substr(0, whole.size() - 1) + "g"},
      {"blisted neither 0 nor 1", row_hex("0658555344430000", "02")},
      {"tname not UTF-8", row_hex("0658555344430000", "01", "02c328")},
      {"tname longer than the row", row_hex("0658555344430000", "01", "ff01")},
      {"gap inside the code", row_hex("0658550053444300")},
      {"no code", row_hex("0600000000000000")},
      {"zero contract", "07000000000000000000000000000000" + whole.substr(32)},
  };
  for (const auto& c : unreadable) {
    EXPECT_FALSE(decode_registry_row(c.hex)) << c.name;
  }
  // An odd length is refused, never completed by the digit after the text.
  EXPECT_FALSE(decode_registry_row(std::string_view(whole).substr(0, whole.size() - 1)));
}

TEST(RegistryReply, PagesInEveryRecordedShape) {
  JsonReader reader;
  const std::string row = R"("tcontract":"xtokens","tname":"XUSDC","symbol":"6,XUSDC")";
  const std::string page = R"({"rows":[{"id":7,)" + row + R"(,"url":"https://x","blisted":1},)" +
                           R"({"id":"8",)" + row + R"(,"blisted":false}]})";
  EXPECT_EQ(registry_page(reader, page).rows,
            (std::vector<RegistryRow>{xusdc(), {8, "xtokens", "XUSDC", "XUSDC", 6, false}}));
  EXPECT_EQ(registry_binary_page(reader, R"({"rows":[")" + row_hex() + R"("]})").rows,
            std::vector<RegistryRow>{xusdc()});
  for (const std::string& bad :
       {R"({"rows":[{"id":7,)" + row + R"(,"blisted":2}]})",
        R"({"rows":[{"id":7,)" + row + R"(}]})",
        R"({"rows":[{"id":7,)" + row + R"(,"blisted":0,"tcontract":"B"}]})"}) {
    EXPECT_EQ(registry_page(reader, bad).why.code, ReasonCode::row_not_recognised) << bad;
    EXPECT_EQ(registry_binary_page(reader, bad).why.code, ReasonCode::row_not_recognised) << bad;
  }
}

}  // namespace
}  // namespace tarnwick

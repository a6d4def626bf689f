#include "chain/registry_reply.h"

#include <gtest/gtest.h>

#include <string>

#include "common/json_reader.h"

namespace tarnwick {
namespace {

// A row in binary form, byte by byte: id 7; tcontract xtokens; tname "XUSDC"; url, desc and
// iconurl empty; symbol 6,XUSDC; blisted 1.
constexpr std::string_view id_7 = "0700000000000000";
constexpr std::string_view xtokens = "000000004f0569ee";  // name("xtokens"), little-endian
constexpr std::string_view tname = "055855534443";
constexpr std::string_view empty_texts = "000000";
constexpr std::string_view xusdc_6 = "0658555344430000";

std::string row_hex(std::string_view symbol = xusdc_6, std::string_view blisted = "01",
                    std::string_view name = tname) {
  return std::string(id_7) + std::string(xtokens) + std::string(name) + std::string(empty_texts) +
         std::string(symbol) + std::string(blisted);
}

TEST(RegistryReply, BinaryRowsDecodeWholeOrNotAtAll) {
  const std::optional<RegistryRow> row = decode_registry_row(row_hex());
  ASSERT_TRUE(row);
  EXPECT_EQ(row->id, 7U);
  EXPECT_EQ(row->contract, "xtokens");
  EXPECT_EQ(row->name, "XUSDC");
  EXPECT_EQ(row->symbol, "XUSDC");
  EXPECT_EQ(row->precision, 6U);
  EXPECT_TRUE(row->blisted);
  // The node's JSON cannot carry a precision above 18; the binary form can.
  const std::optional<RegistryRow> wide = decode_registry_row(row_hex("1358555344430000", "00"));
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->precision, 19U);
  EXPECT_FALSE(wide->blisted);
  EXPECT_TRUE(
      decode_registry_row("0700000000000000000000004F0569EE055855534443000000"
                          "065855534443000001"))
      << "upper-case hex";

  const std::string whole = row_hex();
  const struct {
    const char* name;
    std::string hex;
  } unreadable[] = {
      {"truncated", whole.substr(0, whole.size() - 2)},
      {"a byte left over", whole + "00"},
      {"odd length", whole + "0"},
      {"no hex digit", whole.substr(0, whole.size() - 1) + "g"},
      {"blisted neither 0 nor 1", row_hex(xusdc_6, "02")},
      {"tname not UTF-8", row_hex(xusdc_6, "01", "02c328")},
      {"tname longer than the row", row_hex(xusdc_6, "01", "ff01")},
      {"gap inside the code", row_hex("0658550053444300")},
      {"no code", row_hex("0600000000000000")},
      {"lower-case code", row_hex("0678757364630000")},
      {"zero contract", std::string(id_7) + "0000000000000000" + whole.substr(32)},
      {"empty", ""},
  };
  for (const auto& c : unreadable) {
    EXPECT_FALSE(decode_registry_row(c.hex)) << c.name;
  }
}

TEST(RegistryReply, PagesInEveryRecordedShape) {
  JsonReader reader;
  const RowsPage<RegistryRow> page = registry_page(
      reader,
      R"({"rows":[{"id":7,"tcontract":"xtokens","tname":"XUSDC","url":"https://x","desc":"",)"
      R"("iconurl":"","symbol":"6,XUSDC","blisted":0},{"id":"18446744073709551615",)"
      R"("tcontract":"fake.x","tname":"Tether","symbol":"4,XUSDT","blisted":true}],)"
      R"("more":true,"next_key":"8"})");
  ASSERT_TRUE(page.why.empty()) << page.why.text;
  ASSERT_EQ(page.rows.size(), 2U);
  EXPECT_EQ(page.rows[0].contract, "xtokens");
  EXPECT_EQ(page.rows[0].precision, 6U);
  EXPECT_FALSE(page.rows[0].blisted);
  EXPECT_EQ(page.rows[1].id, 18446744073709551615U);
  EXPECT_EQ(page.rows[1].symbol, "XUSDT");
  EXPECT_TRUE(page.rows[1].blisted);
  EXPECT_TRUE(page.more);
  EXPECT_EQ(page.next_key, "8");

  const RowsPage<RegistryRow> binary =
      registry_binary_page(reader, R"({"rows":[")" + row_hex() + R"("],"more":false})");
  ASSERT_TRUE(binary.why.empty()) << binary.why.text;
  ASSERT_EQ(binary.rows.size(), 1U);
  EXPECT_EQ(binary.rows[0].symbol, "XUSDC");

  const std::string row = R"("id":7,"tcontract":"xtokens","tname":"XUSDC","symbol":"6,XUSDC")";
  for (const std::string& bad :
       {R"({"rows":[{)" + row + R"(,"blisted":2}]})", R"({"rows":[{)" + row + R"(}]})",
        R"({"rows":[{)" + row + R"(,"blisted":0,"tcontract":"Bad"}]})"}) {
    EXPECT_EQ(registry_page(reader, bad).why.code, ReasonCode::row_not_recognised) << bad;
  }
  EXPECT_EQ(registry_binary_page(reader, R"({"rows":[{)" + row + R"(,"blisted":0}]})").why.code,
            ReasonCode::row_not_recognised)
      << "a JSON row where the binary form is asked for";
}

}  // namespace
}  // namespace tarnwick

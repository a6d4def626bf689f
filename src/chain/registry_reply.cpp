#include "chain/registry_reply.h"

#include <utility>

#include "chain/field_forms.h"
#include "common/account_name.h"
#include "common/json_reader.h"
#include "common/symbol_code.h"
#include "common/text.h"

namespace tarnwick {
namespace {

std::optional<unsigned> hex_digit(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return std::nullopt;
}

std::optional<std::string> bytes_of_hex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t at = 0; at < hex.size(); at += 2) {
    const std::optional<unsigned> high = hex_digit(hex[at]);
    const std::optional<unsigned> low = hex_digit(hex[at + 1]);
    if (!high || !low) return std::nullopt;
    bytes += static_cast<char>((*high << 4U) | *low);
  }
  return bytes;
}

// The chain's binary serialisation, read front to back; every read fails once a byte is missing.
struct BinaryReader {
  std::string_view bytes;

  std::optional<std::uint8_t> byte() {
    if (bytes.empty()) return std::nullopt;
    const auto value = static_cast<std::uint8_t>(bytes.front());
    bytes.remove_prefix(1);
    return value;
  }

  std::optional<std::uint64_t> uint64() {
    if (bytes.size() < 8) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t at = 8; at-- > 0;) {
      value = (value << 8U) | static_cast<std::uint8_t>(bytes[at]);
    }
    bytes.remove_prefix(8);
    return value;
  }

  // 7 bits a byte, low bits first, the top bit set on every byte but the last; at most 32 bits.
  std::optional<std::uint32_t> varuint32() {
    std::uint64_t value = 0;
    for (unsigned shift = 0; shift < 35; shift += 7) {
      const std::optional<std::uint8_t> next = byte();
      if (!next) return std::nullopt;
      value |= std::uint64_t{*next & 0x7FU} << shift;
      if ((*next & 0x80U) == 0) {
        if (value > 0xFFFF'FFFFU) return std::nullopt;
        return static_cast<std::uint32_t>(value);
      }
    }
    return std::nullopt;
  }

  std::optional<std::string_view> text() {
    const std::optional<std::uint32_t> size = varuint32();
    if (!size || *size > bytes.size()) return std::nullopt;
    const std::string_view value = bytes.substr(0, *size);
    bytes.remove_prefix(*size);
    if (!is_valid_utf8(value)) return std::nullopt;
    return value;
  }
};

// The symbol in its binary form: the precision in the low byte, then the code's characters.
std::optional<TokenSymbol> symbol_of(std::uint64_t value) {
  TokenSymbol symbol;
  symbol.precision = static_cast<std::uint8_t>(value & 0xFFU);
  for (value >>= 8U; value != 0; value >>= 8U) {
    symbol.code += static_cast<char>(value & 0xFFU);
  }
  // Zero bytes after the code pad it; a zero byte before a character (a gap) is kept and fails
  // as a character outside A-Z, and so does an empty code.
  if (!is_symbol_code(symbol.code)) return std::nullopt;
  return symbol;
}

}  // namespace

std::optional<RegistryRow> decode_registry_row(std::string_view hex) {
  const std::optional<std::string> bytes = bytes_of_hex(hex);
  if (!bytes) return std::nullopt;
  BinaryReader in{*bytes};
  const std::optional<std::uint64_t> id = in.uint64();
  const std::optional<std::uint64_t> contract = in.uint64();
  const std::optional<std::string_view> name = in.text();
  const bool others = in.text() && in.text() && in.text();  // url, desc, iconurl
  const std::optional<std::uint64_t> symbol_value = in.uint64();
  const std::optional<std::uint8_t> blisted = in.byte();
  if (!id || !contract || *contract == 0 || !name || !others || !symbol_value || !blisted ||
      *blisted > 1 || !in.bytes.empty()) {
    return std::nullopt;
  }
  std::optional<TokenSymbol> symbol = symbol_of(*symbol_value);
  if (!symbol) return std::nullopt;
  return RegistryRow{.id = *id,
                     .contract = decode_account_name(*contract),
                     .name = std::string(*name),
                     .symbol = std::move(symbol->code),
                     .precision = symbol->precision,
                     .blisted = *blisted == 1};
}

RowsPage<RegistryRow> registry_page(JsonReader& reader, std::string_view reply) {
  return read_page<RegistryRow>(reader, reply, [](JsonValue& row, std::vector<RegistryRow>& kept) {
    std::optional<std::uint64_t> id;
    std::optional<std::string> contract;
    std::optional<std::string_view> name;
    std::optional<TokenSymbol> symbol;
    std::optional<bool> blisted;
    for_each_member(row, [&](std::string_view key, JsonValue& value) {
      if (is_key(key, "id")) id = unsigned64(value);
      if (is_key(key, "tcontract")) contract = account(value);
      if (is_key(key, "tname")) name = text(value);
      if (is_key(key, "symbol")) symbol = token_symbol_of(value);
      if (is_key(key, "blisted")) blisted = flag(value);
    });
    // The same names as the binary form holds: a text in the chain's name encoding.
    if (!id || !contract || !encode_account_name(*contract) || !name || !symbol || !blisted) {
      return false;
    }
    kept.push_back(RegistryRow{.id = *id,
                               .contract = std::move(*contract),
                               .name = std::string(*name),
                               .symbol = std::move(symbol->code),
                               .precision = symbol->precision,
                               .blisted = *blisted});
    return true;
  });
}

RowsPage<RegistryRow> registry_binary_page(JsonReader& reader, std::string_view reply) {
  return read_page<RegistryRow>(reader, reply, [](JsonValue& row, std::vector<RegistryRow>& kept) {
    const std::optional<std::string_view> hex = text(row);
    std::optional<RegistryRow> decoded = hex ? decode_registry_row(*hex) : std::nullopt;
    if (!decoded) return false;
    kept.push_back(std::move(*decoded));
    return true;
  });
}

}  // namespace tarnwick

#include "chain/field_forms.h"

#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

#include "common/calendar.h"
#include "common/text.h"

namespace tarnwick {

// true/false, or 1/0.
std::optional<bool> flag(JsonValue& value) {
  if (const std::optional<bool> held = boolean(value)) return held;
  const std::optional<std::uint64_t> whole = whole_number(value);
  if (whole && *whole <= 1) return *whole == 1;
  return std::nullopt;
}

// An unsigned integer as a number (one beyond 64 bits comes as the nearest double, kept when it
// is whole) or as a decimal text.
std::optional<Uint128> wide_unsigned(JsonValue& value) {
  if (const std::optional<std::string_view> digits = text(value)) return parse_uint128(*digits);
  const std::optional<JsonNumber> held = number(value);
  if (!held) return std::nullopt;
  if (const auto* whole = std::get_if<std::uint64_t>(&*held)) return *whole;
  if (const auto* real = std::get_if<double>(&*held)) {
    if (*real >= 0.0 && *real < 0x1p128 && std::floor(*real) == *real) {
      return static_cast<Uint128>(*real);
    }
  }
  return std::nullopt;
}

std::optional<std::uint64_t> unsigned64(JsonValue& value) {
  const std::optional<Uint128> wide = wide_unsigned(value);
  if (!wide || *wide > std::numeric_limits<std::uint64_t>::max()) return std::nullopt;
  return static_cast<std::uint64_t>(*wide);
}

// A signed integer as a number or a decimal text.
std::optional<std::int64_t> signed64(JsonValue& value) {
  if (const std::optional<std::string_view> digits = text(value)) return parse_int64(*digits);
  const std::optional<JsonNumber> held = number(value);
  if (!held) return std::nullopt;
  if (const auto* negative = std::get_if<std::int64_t>(&*held)) return *negative;
  if (const auto* whole = std::get_if<std::uint64_t>(&*held);
      whole != nullptr && *whole <= std::numeric_limits<std::int64_t>::max()) {
    return static_cast<std::int64_t>(*whole);
  }
  return std::nullopt;
}

// Unix seconds as a number or a decimal text, or a chain time text.
std::optional<std::int64_t> seconds(JsonValue& value) {
  if (const std::optional<std::string_view> time = text(value)) {
    if (const std::optional<std::int64_t> whole = parse_int64(*time)) return whole;
    if (time->size() < 19 || (*time)[10] != 'T') return std::nullopt;
    return created_seconds(*time);
  }
  return signed64(value);
}

std::optional<Asset> asset(JsonValue& value) {
  const std::optional<std::string_view> quantity = text(value);
  return quantity ? parse_asset(*quantity) : std::nullopt;
}

std::optional<TokenSymbol> token_symbol_of(JsonValue& value) {
  const std::optional<std::string_view> written = text(value);
  return written ? parse_token_symbol(*written) : std::nullopt;
}

// A symbol's code, from "4,SYM" or a bare "SYM".
std::optional<std::string> symbol_code(JsonValue& value) {
  const std::optional<std::string_view> named = text(value);
  if (!named) return std::nullopt;
  if (const std::optional<TokenSymbol> symbol = parse_token_symbol(*named)) return symbol->code;
  if (is_symbol_code(*named)) return std::string(*named);
  return std::nullopt;
}

std::optional<std::string> account(JsonValue& value) {
  const std::optional<std::string_view> name = text(value);
  if (!name || name->empty()) return std::nullopt;
  return std::string(*name);
}

// {"quantity":"1.0000 SYM","contract":"eosio.token"}
std::optional<PoolSide> extended_asset(JsonValue& value) {
  std::optional<Asset> quantity;
  std::optional<std::string> contract;
  for_each_member(value, [&](std::string_view key, JsonValue& member) {
    if (is_key(key, "quantity")) quantity = asset(member);
    if (is_key(key, "contract")) contract = account(member);
  });
  if (!quantity || !contract) return std::nullopt;
  return PoolSide{.contract = std::move(*contract),
                  .symbol = std::move(quantity->symbol),
                  .precision = quantity->precision,
                  .units = quantity->units};
}

}  // namespace tarnwick

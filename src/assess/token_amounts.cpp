#include "assess/token_amounts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tarnwick {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_escrow(std::string_view owner) {
  return std::find(std::begin(escrow_accounts), std::end(escrow_accounts), owner) !=
         std::end(escrow_accounts);
}

constexpr std::uint64_t power_of_ten(std::uint8_t exponent) {
  std::uint64_t value = 1;
  for (std::uint8_t i = 0; i < exponent; ++i) value *= 10;
  return value;
}

}  // namespace

std::optional<Asset> parse_asset(std::string_view text) {
  const std::size_t space = text.find(' ');
  if (space == std::string_view::npos || !is_symbol_code(text.substr(space + 1))) {
    return std::nullopt;
  }
  const std::string_view amount = text.substr(0, space);
  const std::size_t point = amount.find('.');
  const std::string_view whole = amount.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : amount.substr(point + 1);
  if (whole.empty() || (point != std::string_view::npos && fraction.empty()) ||
      fraction.size() > max_asset_precision) {
    return std::nullopt;
  }
  Uint128 units = 0;
  for (const std::string_view digits : {whole, fraction}) {
    for (const char c : digits) {
      if (!is_digit(c)) return std::nullopt;
      units = units * 10 + static_cast<unsigned>(c - '0');
      if (units > max_asset_units) return std::nullopt;
    }
  }
  return Asset{.units = static_cast<std::uint64_t>(units),
               .precision = static_cast<std::uint8_t>(fraction.size()),
               .symbol = std::string(text.substr(space + 1))};
}

void append_decimal128(std::string& out, Uint128 value) {
  std::array<char, 40> digits{};
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + static_cast<unsigned>(value % 10));
    value /= 10;
  } while (value != 0);
  while (count > 0) out += digits[--count];
}

void append_asset(std::string& out, std::uint64_t units, std::uint8_t precision,
                  std::string_view symbol) {
  std::string digits;
  append_decimal128(digits, units);
  if (precision > 0) {
    if (digits.size() <= precision) digits.insert(0, precision + 1 - digits.size(), '0');
    digits.insert(digits.size() - precision, 1, '.');
  }
  out += digits;
  out += ' ';
  out += symbol;
}

std::optional<std::uint64_t> amount_units(const JsonNumber& amount, std::uint8_t precision) {
  if (precision > max_asset_precision) return std::nullopt;
  const std::uint64_t scale = power_of_ten(precision);
  const Uint128 most = Uint128{max_asset_units} + float_rounding(max_asset_units);
  Uint128 units = 0;
  if (const auto* fraction = std::get_if<double>(&amount)) {
    const double scaled = std::round(*fraction * static_cast<double>(scale));
    // Written so that a NaN fails too; 2^63 is exact in a double and above `most`.
    if (!(scaled >= 0.0 && scaled < 9223372036854775808.0)) return std::nullopt;
    units = static_cast<std::uint64_t>(scaled);
  } else if (const auto* positive = std::get_if<std::uint64_t>(&amount)) {
    units = Uint128{*positive} * scale;
  } else {
    const std::int64_t signed_whole = std::get<std::int64_t>(amount);
    if (signed_whole < 0) return std::nullopt;
    units = Uint128{static_cast<std::uint64_t>(signed_whole)} * scale;
  }
  if (units > most) return std::nullopt;
  return units > max_asset_units ? max_asset_units : static_cast<std::uint64_t>(units);
}

Uint128 float_rounding(std::uint64_t units) { return (units >> 23) + 1; }

bool within_float_rounding(std::span<const HolderUnits> holders, std::uint64_t supply_units) {
  Uint128 held = 0;
  Uint128 allowed = supply_units;
  for (const HolderUnits& holder : holders) {
    held += holder.units;
    allowed += float_rounding(holder.units);
  }
  return held <= allowed;
}

std::optional<Uint128> capped_share_bp(Uint128 part, std::uint64_t whole) {
  const std::optional<Uint128> share = share_bp(part, whole);
  if (!share) return std::nullopt;
  return *share > 10000 ? Uint128{10000} : *share;
}

std::optional<Uint128> share_bp(Uint128 part, std::uint64_t whole) {
  if (whole == 0) return std::nullopt;
  return part * 10000 / whole;
}

std::optional<Uint128> headroom_bp(std::uint64_t supply_units, std::uint64_t max_units) {
  if (max_units == 0 || supply_units == 0) return std::nullopt;
  if (max_units <= supply_units) return Uint128{0};
  return share_bp(max_units - supply_units, supply_units);
}

std::optional<Uint128> top_ten_share_bp(std::span<const HolderUnits> holders,
                                        std::uint64_t supply_units) {
  std::vector<std::uint64_t> amounts;
  amounts.reserve(holders.size());
  for (const HolderUnits& holder : holders) {
    if (!is_escrow(holder.owner)) amounts.push_back(holder.units);
  }
  const std::size_t kept = std::min<std::size_t>(amounts.size(), 10);
  std::partial_sort(amounts.begin(), amounts.begin() + static_cast<std::ptrdiff_t>(kept),
                    amounts.end(), std::greater<>());
  Uint128 sum = 0;
  for (std::size_t i = 0; i < kept; ++i) sum += amounts[i];
  return capped_share_bp(sum, supply_units);
}

}  // namespace tarnwick

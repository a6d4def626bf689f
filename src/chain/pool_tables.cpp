#include "chain/pool_tables.h"

#include <utility>

#include "chain/field_forms.h"
#include "chain/table_page.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

// A fee stated in millionths of the amount in; none above the whole amount.
std::optional<std::uint32_t> fee_in_millionths(JsonValue& value) {
  const std::optional<std::uint64_t> fee = unsigned64(value);
  if (!fee || *fee >= 1'000'000) return std::nullopt;
  return static_cast<std::uint32_t>(*fee);
}

// A fee stated in basis points, in millionths.
std::optional<std::uint32_t> fee_from_bp(JsonValue& value) {
  const std::optional<std::uint64_t> fee = unsigned64(value);
  if (!fee || *fee >= 10'000) return std::nullopt;
  return static_cast<std::uint32_t>(*fee * 100);
}

std::optional<SwapsPoolRow> swaps_pool_row(JsonValue& row) {
  std::optional<std::string> lt_symbol;
  std::optional<PoolSide> pool1;
  std::optional<PoolSide> pool2;
  std::optional<bool> active;
  std::optional<Uint128> amplifier;
  std::optional<std::uint32_t> fee_ppm;
  for_each_member(row, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "lt_symbol")) lt_symbol = symbol_code(value);
    if (is_key(key, "pool1")) pool1 = extended_asset(value);
    if (is_key(key, "pool2")) pool2 = extended_asset(value);
    if (is_key(key, "active")) active = flag(value);
    if (is_key(key, "amplifier") || is_key(key, "reserved")) amplifier = wide_unsigned(value);
    if (is_key(key, "fee")) {
      fee_ppm.reset();
      for_each_member(value, [&](std::string_view name, JsonValue& member) {
        if (is_key(name, "exchange_fee")) fee_ppm = fee_from_bp(member);
      });
    }
  });
  if (!lt_symbol || !pool1 || !pool2 || !active || !amplifier) return std::nullopt;
  return SwapsPoolRow{.lt_symbol = std::move(*lt_symbol),
                      .pool1 = std::move(*pool1),
                      .pool2 = std::move(*pool2),
                      .active = *active,
                      .amplifier = *amplifier,
                      .fee_ppm = fee_ppm};
}

std::optional<DexPoolRow> dex_pool_row(JsonValue& row) {
  std::optional<std::uint64_t> id;
  std::optional<std::string> contract_a;
  std::optional<std::string> contract_b;
  std::optional<TokenSymbol> symbol_a;
  std::optional<TokenSymbol> symbol_b;
  std::optional<std::uint64_t> reserve_a;
  std::optional<std::uint64_t> reserve_b;
  std::optional<bool> paused;
  std::optional<std::uint32_t> fee_ppm;
  for_each_member(row, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "id")) id = unsigned64(value);
    if (is_key(key, "feeRate")) fee_ppm = fee_from_bp(value);
    if (is_key(key, "tokenAContract")) contract_a = account(value);
    if (is_key(key, "tokenBContract")) contract_b = account(value);
    if (is_key(key, "tokenASymbol")) symbol_a = token_symbol_of(value);
    if (is_key(key, "tokenBSymbol")) symbol_b = token_symbol_of(value);
    if (is_key(key, "reserveA")) reserve_a = unsigned64(value);
    if (is_key(key, "reserveB")) reserve_b = unsigned64(value);
    if (is_key(key, "paused")) paused = flag(value);
  });
  if (!id || !contract_a || !contract_b || !symbol_a || !symbol_b || !reserve_a || !reserve_b ||
      !paused || *reserve_a > max_asset_units || *reserve_b > max_asset_units) {
    return std::nullopt;
  }
  return DexPoolRow{
      .id = *id,
      .a = {std::move(*contract_a), std::move(symbol_a->code), symbol_a->precision, *reserve_a},
      .b = {std::move(*contract_b), std::move(symbol_b->code), symbol_b->precision, *reserve_b},
      .paused = *paused,
      .fee_ppm = fee_ppm};
}

std::optional<LaunchCurveRow> launch_curve_row(JsonValue& row) {
  std::optional<std::uint64_t> id;
  std::optional<std::string> code;
  std::optional<std::string> creator;
  std::optional<std::uint64_t> real_xpr;
  std::optional<bool> graduated;
  std::optional<std::uint64_t> dex_pool_id;
  for_each_member(row, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "id")) id = unsigned64(value);
    if (is_key(key, "symbol")) code = symbol_code(value);
    if (is_key(key, "creator")) creator = account(value);
    if (is_key(key, "realXpr")) real_xpr = unsigned64(value);
    if (is_key(key, "graduated")) graduated = flag(value);
    if (is_key(key, "dexPoolId")) dex_pool_id = unsigned64(value);
  });
  if (!id || !code || !creator || !real_xpr || !graduated || !dex_pool_id ||
      *real_xpr > max_asset_units) {
    return std::nullopt;
  }
  return LaunchCurveRow{.id = *id,
                        .symbol = std::move(*code),
                        .creator = std::move(*creator),
                        .real_xpr = *real_xpr,
                        .graduated = *graduated,
                        .dex_pool_id = *dex_pool_id};
}

std::optional<ConcentratedPoolRow> concentrated_pool_row(JsonValue& row) {
  std::optional<std::uint64_t> id;
  std::optional<bool> active;
  std::optional<PoolSide> token_a;
  std::optional<PoolSide> token_b;
  std::optional<Uint128> sqrt_price;
  PoolPricing pricing;
  pricing.concentrated = true;
  for_each_member(row, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "id")) id = unsigned64(value);
    if (is_key(key, "active")) active = flag(value);
    if (is_key(key, "tokenA")) token_a = extended_asset(value);
    if (is_key(key, "tokenB")) token_b = extended_asset(value);
    if (is_key(key, "fee")) pricing.fee_ppm = fee_in_millionths(value);
    if (is_key(key, "tickSpacing")) pricing.tick_spacing = signed64(value);
    if (is_key(key, "liquidity")) pricing.liquidity = wide_unsigned(value);
    if (is_key(key, "currSlot")) {
      sqrt_price.reset();
      pricing.tick.reset();
      for_each_member(value, [&](std::string_view name, JsonValue& member) {
        if (is_key(name, "sqrtPriceX64")) sqrt_price = wide_unsigned(member);
        if (is_key(name, "tick")) pricing.tick = signed64(member);
      });
    }
  });
  if (!id || !active || !token_a || !token_b || !sqrt_price) return std::nullopt;
  pricing.sqrt_price_x64 = *sqrt_price;
  return ConcentratedPoolRow{.id = *id,
                             .active = *active,
                             .a = std::move(*token_a),
                             .b = std::move(*token_b),
                             .pricing = pricing};
}

// The page of rows `read_row` types, each row whole or the page unrecognised.
template <class Row>
RowsPage<Row> typed_page(JsonReader& reader, std::string_view reply,
                         std::optional<Row> (*read_row)(JsonValue&)) {
  return read_page<Row>(reader, reply, [read_row](JsonValue& row, std::vector<Row>& kept) {
    std::optional<Row> typed = read_row(row);
    if (!typed) return false;
    kept.push_back(std::move(*typed));
    return true;
  });
}

}  // namespace

RowsPage<SwapsPoolRow> proton_swaps_rows(JsonReader& reader, std::string_view reply) {
  return typed_page(reader, reply, swaps_pool_row);
}

RowsPage<DexPoolRow> simpledex_rows(JsonReader& reader, std::string_view reply) {
  return typed_page(reader, reply, dex_pool_row);
}

RowsPage<LaunchCurveRow> curve_rows(JsonReader& reader, std::string_view reply) {
  return typed_page(reader, reply, launch_curve_row);
}

RowsPage<ConcentratedPoolRow> alcor_pool_rows(JsonReader& reader, std::string_view reply) {
  return typed_page(reader, reply, concentrated_pool_row);
}

RowsPage<PositionRow> positions_page(JsonReader& reader, std::string_view reply) {
  return read_page<PositionRow>(reader, reply, [&](JsonValue& row, std::vector<PositionRow>& kept) {
    std::optional<std::uint64_t> id;
    std::optional<std::string> owner;
    std::optional<std::int64_t> lower;
    std::optional<std::int64_t> upper;
    std::optional<Uint128> liquidity;
    for_each_member(row, [&](std::string_view key, JsonValue& value) {
      if (is_key(key, "id")) id = unsigned64(value);
      if (is_key(key, "owner")) owner = account(value);
      if (is_key(key, "tickLower")) lower = signed64(value);
      if (is_key(key, "tickUpper")) upper = signed64(value);
      if (is_key(key, "liquidity")) liquidity = wide_unsigned(value);
    });
    if (!id || !owner || !lower || !upper || !liquidity || *lower >= *upper) return false;
    kept.push_back(PositionRow{.id = *id,
                               .owner = std::move(*owner),
                               .tick_lower = *lower,
                               .tick_upper = *upper,
                               .liquidity = *liquidity});
    return true;
  });
}

RowsPage<LockRow> locks_page(JsonReader& reader, std::string_view reply) {
  return read_page<LockRow>(reader, reply, [&](JsonValue& row, std::vector<LockRow>& kept) {
    std::optional<std::uint64_t> position;
    std::optional<std::int64_t> unlock;
    for_each_member(row, [&](std::string_view key, JsonValue& value) {
      if (is_key(key, "pos_id")) position = unsigned64(value);
      if (is_key(key, "unlockTime")) unlock = seconds(value);
    });
    if (!position || !unlock) return false;
    kept.push_back(LockRow{.position = *position, .unlock = *unlock});
    return true;
  });
}

}  // namespace tarnwick

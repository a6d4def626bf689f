// The forms in which public API nodes print the fields of table rows (get_table_rows with
// json:true): booleans as 1/0 or true/false; 64-bit and wider integers as a number or a decimal
// text; times as Unix seconds (number or text) or a chain time text; assets as "1.0000 SYM";
// symbols as "4,SYM" or "SYM"; extended assets as {"quantity","contract"}. Each reader accepts
// every such form and gives none for anything else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "assess/liquidity.h"
#include "assess/token_amounts.h"
#include "common/json_reader.h"
#include "common/symbol_code.h"

namespace tarnwick {

// true/false, or 1/0.
std::optional<bool> flag(JsonValue& value);

// An unsigned integer as a number (one beyond 64 bits comes as the nearest double, kept when it
// is whole) or as a decimal text.
std::optional<Uint128> wide_unsigned(JsonValue& value);

std::optional<std::uint64_t> unsigned64(JsonValue& value);

// A signed integer as a number or a decimal text.
std::optional<std::int64_t> signed64(JsonValue& value);

// Unix seconds as a number or a decimal text, or a chain time text.
std::optional<std::int64_t> seconds(JsonValue& value);

std::optional<Asset> asset(JsonValue& value);

std::optional<TokenSymbol> token_symbol_of(JsonValue& value);

// A symbol's code, from "4,SYM" or a bare "SYM".
std::optional<std::string> symbol_code(JsonValue& value);

std::optional<std::string> account(JsonValue& value);

// {"quantity":"1.0000 SYM","contract":"eosio.token"}
std::optional<PoolSide> extended_asset(JsonValue& value);

}  // namespace tarnwick

// The network's token registry: table "tokens" of token.proton (code and scope token.proton),
// rows {id, tcontract, tname, url, desc, iconurl, symbol, blisted}. Anyone may register a token
// contract of their own under any symbol there, so a row says who registered what, never that a
// token is genuine. Read a page at a time (chain/table_page.h), every row kept; a row that cannot
// be read makes the whole page unreadable. Pure functions of the reply text; nothing throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "assess/registry_rows.h"
#include "chain/table_page.h"

namespace tarnwick {

class JsonReader;

// A page read with json:true. A row needs id (a number or a decimal text), tcontract, tname,
// symbol ("4,SYM": a node cannot print a precision above 18 there) and blisted (0/1 or
// true/false); its other members are ignored.
RowsPage<RegistryRow> registry_page(JsonReader& reader, std::string_view reply);

// A page read with json:false, where each row is the hexadecimal text of its binary form
// (decode_registry_row). The only way to read rows whose symbol precision lies above 18: nodes
// fail the json:true read of a page holding one.
RowsPage<RegistryRow> registry_binary_page(JsonReader& reader, std::string_view reply);

// A row from the hexadecimal text (either case) of its binary form: id (uint64, little-endian),
// tcontract (a name as uint64), tname, url, desc, iconurl (each a varuint32 length, then that many
// bytes of valid UTF-8), symbol (uint64: the low byte the precision, any of 0 to 255, then the
// code's characters, A-Z, padded with zero bytes) and blisted (one byte, 0 or 1). None for a text
// of any other shape: odd length, a character that is no hex digit, bytes missing or left over, a
// zero name, a code of no characters or with a gap.
std::optional<RegistryRow> decode_registry_row(std::string_view hex);

}  // namespace tarnwick

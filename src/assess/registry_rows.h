// A row of the network's token registry (table "tokens" of token.proton) as read. Anyone may
// register a token contract of their own under any symbol there, so a row says who registered
// what, never that a token is genuine.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// One registry row; url, desc and iconurl are not kept.
struct RegistryRow {
  std::uint64_t id = 0;
  std::string contract;  // tcontract: a name in the chain's encoding (common/account_name.h)
  std::string name;      // tname, valid UTF-8
  std::string symbol;    // the symbol code
  std::uint8_t precision = 0;
  bool blisted = false;  // the registry marks the token blacklisted

  bool operator==(const RegistryRow&) const = default;
};

}  // namespace tarnwick

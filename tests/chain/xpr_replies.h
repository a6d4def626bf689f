// Chain replies shaped like those of an XPR Network API node, for the scan tests. Not product code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::test {

// The Unix time of the `created` text "2024-01-15T10:30:00.000" that the scan tests' accounts
// carry.
inline constexpr std::uint64_t created_2024_01_15 = 1705314600;

// One permission of a get_account reply: `keys` public keys and one authority entry per actor.
inline std::string permission_json(std::string_view name, int keys,
                                   const std::vector<std::string>& actors) {
  std::string out = R"({"perm_name":")" + std::string(name) +
                    R"(","parent":"owner","required_auth":{"threshold":1,"keys":[)";
  for (int i = 0; i < keys; ++i) {
    if (i > 0) out += ',';
    out += R"({"key":"PUB_K1_6MRyAjQq8ud7hVNYcfnVPJqcVpscN5So8BhtHuGYqET5BoDq)" +
           std::to_string(i) + R"(","weight":1})";
  }
  out += R"(],"accounts":[)";
  for (std::size_t i = 0; i < actors.size(); ++i) {
    if (i > 0) out += ',';
    out += R"({"permission":{"actor":")" + actors[i] + R"(","permission":"active"},"weight":1})";
  }
  out += R"(],"waits":[]},"linked_actions":[]})";
  return out;
}

// A get_account reply with `created` (omitted when empty) and the given permissions.
inline std::string account_json(std::string_view account, std::string_view created,
                                const std::vector<std::string>& permissions) {
  std::string out = R"({"account_name":")" + std::string(account) +
                    R"(","head_block_num":298765432,"head_block_time":"2025-06-01T12:00:00.000",)"
                    R"("privileged":false,"last_code_update":"2024-01-15T10:35:00.000",)";
  if (!created.empty()) out += R"("created":")" + std::string(created) + "\",";
  out += R"("core_liquid_balance":"12.0000 XPR","ram_quota":13399,"net_weight":10000,)"
         R"("cpu_weight":10000,"ram_usage":3410,"permissions":[)";
  for (std::size_t i = 0; i < permissions.size(); ++i) {
    if (i > 0) out += ',';
    out += permissions[i];
  }
  out += R"(],"total_resources":null,"self_delegated_bandwidth":null,"refund_request":null,)"
         R"("voter_info":null,"rex_info":null})";
  return out;
}

// An account that nobody but the block producers controls: not privileged.
inline std::string benign_account_json(std::string_view account, std::string_view created) {
  return account_json(account, created,
                      {permission_json("owner", 0, {"eosio.prods"}),
                       permission_json("active", 0, {"eosio.prods"})});
}

// One row of the exchange's "markets" table; `status` is the JSON text of status_code.
inline std::string market_row_json(int id, std::string_view bid_contract,
                                   std::string_view ask_contract, std::string_view status = "1") {
  return R"({"market_id":)" + std::to_string(id) + R"(,"symbol":"TOK)" + std::to_string(id) +
         R"(_XPR","status_code":)" + std::string(status) +
         R"(,"type":0,"maker_fee":10,"taker_fee":20,"order_min":"100000",)"
         R"("bid_token":{"sym":"4,TOK","contract":")" +
         std::string(bid_contract) + R"("},"ask_token":{"sym":"4,XPR","contract":")" +
         std::string(ask_contract) + R"("}})";
}

inline std::string rows_json(const std::vector<std::string>& rows) {
  std::string out = R"({"rows":[)";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) out += ',';
    out += rows[i];
  }
  out += R"(],"more":false,"next_key":""})";
  return out;
}

// `count` market rows of other tokens (contracts "other1", "other2", ...).
inline std::vector<std::string> other_markets(int count) {
  std::vector<std::string> rows;
  for (int i = 1; i <= count; ++i) {
    rows.push_back(market_row_json(i, "other" + std::to_string(i % 10000), "eosio.token"));
  }
  return rows;
}

// An "agentscores" row; `avg_score` is its JSON text.
inline std::string agentscore_json(std::string_view account, std::string_view avg_score) {
  return R"({"agent":")" + std::string(account) + R"(","avg_score":)" + std::string(avg_score) +
         R"(,"total_ratings":12,"updated_at":"2025-05-30T08:00:00"})";
}

// A history reply with one action.
inline std::string actions_json(std::string_view account) {
  return R"({"query_time_ms":12.3,"total":{"value":1,"relation":"eq"},"actions":[{)"
         R"("@timestamp":"2025-05-31T09:00:00.000","act":{"account":"eosio.token","name":)"
         R"("transfer","authorization":[{"actor":")" +
         std::string(account) + R"(","permission":"active"}],"data":{"from":")" +
         std::string(account) + R"(","to":"someone","quantity":"1.0000 XPR","memo":""}}}]})";
}

}  // namespace tarnwick::test

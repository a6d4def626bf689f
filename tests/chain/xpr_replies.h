// Chain replies shaped like those of an XPR Network API node, for the scan tests. Not product code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick::test {

// The Unix time of the `created` text "2024-01-15T10:30:00.000" that the scan tests' accounts
// carry.
inline constexpr std::uint64_t created_2024_01_15 = 1705314600;

// One permission of a get_account reply: `keys` public keys (the K1, WebAuthn and legacy forms in
// turn, as XPR accounts mix them) and one authority entry per actor. As a node prints it, the
// authority has every member, "accounts" an empty array when no actor is named.
inline std::string permission_json(std::string_view name, int keys,
                                   const std::vector<std::string>& actors) {
  static constexpr std::string_view key_forms[] = {
      "PUB_K1_6MRyAjQq8ud7hVNYcfnVPJqcVpscN5So8BhtHuGYqET5BoDq",
      "PUB_WA_8PPYTWYNkRqrveNAoX7PJWDtSqDUp3c29QGBfr6MD9EaLocaPBmsk5QAHWq4vEQt2",
      "EOS6MRyAjQq8ud7hVNYcfnVPJqcVpscN5So8BhtHuGYqET5BoDq"};
  std::string out = R"({"perm_name":")" + std::string(name) + R"(","parent":")" +
                    (name == "owner" ? "" : "owner") +
                    R"(","required_auth":{"threshold":1,"keys":[)";
  for (int i = 0; i < keys; ++i) {
    if (i > 0) out += ',';
    out += R"({"key":")" + std::string(key_forms[i % 3]) + std::to_string(i) + R"(","weight":1})";
  }
  out += R"(],"accounts":[)";
  for (std::size_t i = 0; i < actors.size(); ++i) {
    if (i > 0) out += ',';
    out += R"({"permission":{"actor":")" + actors[i] + R"(","permission":"active"},"weight":1})";
  }
  out += R"(],"waits":[]},"linked_actions":[]})";
  return out;
}

// The permission that XPR accounts carry beside owner and active for their WebAuth wallet.
inline std::string webauth_permission_json() {
  return R"({"perm_name":"webauth","parent":"active","required_auth":{"threshold":1,"keys":[],)"
         R"("accounts":[{"permission":{"actor":"webauth.com","permission":"push"},"weight":1}],)"
         R"("waits":[]},"linked_actions":[]})";
}

// A get_account reply with `created` (omitted when empty) and the given permissions. As on a real
// node, `created` carries milliseconds and no zone, and integers above 2^32 come as strings.
inline std::string account_json(std::string_view account, std::string_view created,
                                const std::vector<std::string>& permissions) {
  std::string out = R"({"account_name":")" + std::string(account) +
                    R"(","head_block_num":298765432,"head_block_time":"2025-06-01T12:00:00.500",)"
                    R"("privileged":false,"last_code_update":"2024-01-15T10:35:00.000",)";
  if (!created.empty()) out += R"("created":")" + std::string(created) + "\",";
  out += R"("core_liquid_balance":"12.0000 XPR","ram_quota":"68719476736","net_weight":10000,)"
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
                       permission_json("active", 0, {"eosio.prods"}), webauth_permission_json()});
}

// The replies of a node to a get_account of an account that does not exist: HTTP 400 with an
// account_query_exception (Leap 4 and later), HTTP 500 with an "unknown key" detail (older nodes).
inline std::string unknown_account_leap4_json() {
  return R"({"code":400,"message":"Account Query Exception","error":{"code":3060002,)"
         R"("name":"account_query_exception","what":"Account Query Exception","details":[)"
         R"({"message":"unable to retrieve account info","file":"chain_plugin.cpp",)"
         R"("line_number":2530,"method":"get_account"}]}})";
}
inline std::string unknown_account_older_json(std::string_view account) {
  return R"({"code":500,"message":"Internal Service Error","error":{"code":0,"name":"exception",)"
         R"("what":"unspecified","details":[{"message":"unknown key (boost::tuples::tuple<bool, )"
         R"(eosio::chain::name, boost::tuples::null_type>): (0 )" +
         std::string(account) +
         R"x()","file":"http_plugin.cpp","line_number":954,"method":"handle_exception"}]}})x";
}

// One row of the exchange's "markets" table; `status` is the JSON text of status_code (1 active,
// 0 and 2 to 6 other states). As on the chain, bid_token is {sym, contract} but ask_token is
// {quantity, contract}.
inline std::string market_row_json(int id, std::string_view bid_contract,
                                   std::string_view ask_contract, std::string_view status = "1") {
  return R"({"market_id":)" + std::to_string(id) + R"(,"symbol":"TOK)" + std::to_string(id) +
         R"(XPR","status_code":)" + std::string(status) +
         R"(,"type":0,"maker_fee":10,"taker_fee":20,"order_min":"100000",)"
         R"("bid_token":{"sym":"4,TOK","contract":")" +
         std::string(bid_contract) + R"("},"ask_token":{"quantity":"0.0000 XPR","contract":")" +
         std::string(ask_contract) +
         R"("},"ask_oracle_index":-1,"total_reserves":{"quantity":"1250.0000 XPR",)"
         R"("contract":"eosio.token"}})";
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

// An "agentscores" row of the reputation contract; `avg_score` is its JSON text.
inline std::string agentscore_json(std::string_view account, std::string_view avg_score) {
  return R"({"agent":")" + std::string(account) +
         R"(","total_score":4200,"total_weight":12,"feedback_count":12,"avg_score":)" +
         std::string(avg_score) + R"(,"last_updated":"2025-05-30T08:00:00"})";
}

// A history (Hyperion get_actions) reply with `count` actions of about 1.2 KB each.
inline std::string actions_json(std::string_view account, int count = 1) {
  std::string out = R"({"query_time_ms":12.3,"cached":false,"lib":298765100,"total":{"value":)" +
                    std::to_string(count) + R"(,"relation":"eq"},"actions":[)";
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += ',';
    const std::string n = std::to_string(i);
    out += R"({"@timestamp":"2025-05-31T09:00:0)" + std::to_string(i % 10) +
           R"(.000","timestamp":"2025-05-31T09:00:00.000","block_num":)" +
           std::to_string(298765000 - i) +
           R"(,"block_id":"11cf0f4826f2d6b8a1e2c5f1b9d94b1a9e4f2c3d5e6f7a8b9c0d1e2f3a4b5c6d",)"
           R"("trx_id":"8f14e45fceea167a5a36dedd4bea2543a87ff56f1f8cd7c1f6e8b1e4a2d3c4b)" +
           n.substr(0, 1) +
           R"(","act":{"account":"eosio.token","name":"transfer","authorization":[{"actor":")" +
           std::string(account) + R"(","permission":"active"}],"data":{"from":")" +
           std::string(account) +
           R"(","to":"someone","amount":1,"symbol":"XPR","quantity":"1.0000 XPR","memo":""}},)"
           R"("receipts":[{"receiver":")" +
           std::string(account) + R"(","global_sequence":)" + std::to_string(7001234567 + i) +
           R"(,"recv_sequence":)" + std::to_string(500 + i) + R"(,"auth_sequence":[{"account":")" +
           std::string(account) + R"(","sequence":)" + std::to_string(900 + i) +
           R"(}]},{"receiver":"someone","global_sequence":)" + std::to_string(7001234567 + i) +
           R"(,"recv_sequence":77,"auth_sequence":[{"account":")" + std::string(account) +
           R"(","sequence":)" + std::to_string(900 + i) +
           R"(}]}],"notified":["eosio.token","someone"],"cpu_usage_us":173,"net_usage_words":16,)"
           R"("account_ram_deltas":[],"elapsed":"0","context_free":false,"except":null,)"
           R"("error_code":null,"return_value":"","inline_count":0,"inline_filtered":false,)"
           R"("global_sequence":)" +
           std::to_string(7001234567 + i) +
           R"(,"producer":"protonnz","action_ordinal":1,"creator_action_ordinal":0,)"
           R"("signatures":["SIG_K1_KfQ57wLFFiPR85zjuQyZsn7hK3jRicHXg4qETxLvxH86vmjCo2jM)"
           R"(QNuj7eCZPu9Zpn4dnSrFyA8HqTMgEsnKfAQGNhs3uM"]})";
  }
  out += "]}";
  return out;
}

// A get_currency_stats reply for one symbol, as the chain's token code answers it.
inline std::string currency_stats_json(std::string_view symbol, std::string_view supply,
                                       std::string_view max_supply, std::string_view issuer) {
  return R"({")" + std::string(symbol) + R"(":{"supply":")" + std::string(supply) +
         R"(","max_supply":")" + std::string(max_supply) + R"(","issuer":")" + std::string(issuer) +
         R"("}})";
}

// A get_table_by_scope reply of a token's "stat" table; each scope is a symbol code printed as
// an account name ("........edc5c" is XPR, "........dhbp4" TOK).
inline std::string stat_scopes_json(std::string_view code, const std::vector<std::string>& scopes) {
  std::string out = R"({"rows":[)";
  for (std::size_t i = 0; i < scopes.size(); ++i) {
    if (i > 0) out += ',';
    out += R"({"code":")" + std::string(code) + R"(","scope":")" + scopes[i] +
           R"(","table":"stat","payer":")" + std::string(code) + R"(","count":1})";
  }
  out += R"(],"more":""})";
  return out;
}

// A history node's get_top_holders reply; each holder is {owner, amount as JSON number text}.
inline std::string top_holders_json(
    std::string_view contract, std::string_view symbol,
    const std::vector<std::pair<std::string, std::string>>& holders) {
  std::string out = R"({"query_time_ms":3.1,"contract":")" + std::string(contract) +
                    R"(","symbol":")" + std::string(symbol) + R"(","holders":[)";
  for (std::size_t i = 0; i < holders.size(); ++i) {
    if (i > 0) out += ',';
    out += R"({"owner":")" + holders[i].first + R"(","amount":)" + holders[i].second +
           R"(,"symbol":")" + std::string(symbol) + R"(","updated_on":"2025-05-31T09:00:00.000"})";
  }
  out += "]}";
  return out;
}

inline std::string code_hash_json(std::string_view account, std::string_view hash) {
  return R"({"account_name":")" + std::string(account) + R"(","code_hash":")" + std::string(hash) +
         R"("})";
}

// A get_info reply of a real block (WAX mainnet, 2024-10-03), as a node printed it.
inline const std::string wax_info_json =
    R"({"server_version":"2fa62c4c","chain_id":"1064487b3cd1a897ce03ae5b6a865651747e2e152090f9)"
    R"(9c1d19d44e01aea5a4","head_block_num":332937536,"last_irreversible_block_num":332937211,)"
    R"("last_irreversible_block_id":"13d837fbe593e39bb1312fc1ce209cc3313f753a6aec743fd98a20ee5)"
    R"(a30be44","head_block_id":"13d8394037933dd454dbd26feed80ffa88f955b82c2420b30fd0f9c4314c21)"
    R"(e3","head_block_time":"2024-10-03T08:05:36.000","head_block_producer":"eosphereiobp",)"
    R"("server_version_string":"v5.0.1wax01"})";

}  // namespace tarnwick::test

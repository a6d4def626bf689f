#include "chain/chain_requests.h"

#include <utility>

#include "common/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view registry_contract = "token.proton";
constexpr std::string_view registry_table = "tokens";

void append_string_member(std::string& out, std::string_view key, std::string_view value) {
  out += '"';
  out += key;
  out += "\":\"";
  out += strip_json_unsafe(value);
  out += '"';
}

}  // namespace

std::string strip_json_unsafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '"' || c == '\\') continue;
    out += c;
  }
  return out;
}

std::string account_body(std::string_view account) {
  std::string out;
  out.reserve(20 + account.size());  // the whole body at once, never grown
  out += '{';
  append_string_member(out, "account_name", account);
  out += '}';
  return out;
}

std::string table_rows_body(std::string_view code, std::string_view scope, std::string_view table,
                            std::string_view lower_bound, std::string_view upper_bound,
                            std::uint32_t limit) {
  std::string out;
  // The whole body at once, never grown: its fixed text is under 96 bytes.
  out.reserve(96 + code.size() + scope.size() + table.size() + lower_bound.size() +
              upper_bound.size());
  out += "{\"json\":true,";
  append_string_member(out, "code", code);
  out += ',';
  append_string_member(out, "scope", scope);
  out += ',';
  append_string_member(out, "table", table);
  out += ',';
  append_string_member(out, "lower_bound", lower_bound);
  out += ',';
  append_string_member(out, "upper_bound", upper_bound);
  out += ",\"limit\":";
  append_decimal(out, limit);
  out += '}';
  return out;
}

std::string market_rows_body() { return table_rows_body("dex", "dex", "markets", "", "", 1000); }

std::string reputation_rows_body(std::string_view reputation_contract, std::string_view account) {
  return table_rows_body(reputation_contract, reputation_contract, "agentscores", account, account,
                         1);
}

std::string currency_stats_body(std::string_view token, std::string_view symbol) {
  std::string out = "{";
  append_string_member(out, "code", token);
  out += ',';
  append_string_member(out, "symbol", symbol);
  out += '}';
  return out;
}

std::string currency_balance_body(std::string_view token, std::string_view account,
                                  std::string_view symbol) {
  std::string out = "{";
  append_string_member(out, "code", token);
  out += ',';
  append_string_member(out, "account", account);
  out += ',';
  append_string_member(out, "symbol", symbol);
  out += '}';
  return out;
}

std::string stat_scopes_body(std::string_view token, std::uint32_t limit) {
  std::string out = "{";
  append_string_member(out, "code", token);
  out += R"(,"table":"stat","lower_bound":"","upper_bound":"72057594037927935","limit":)";
  append_decimal(out, limit);
  out += '}';
  return out;
}

std::string table_page_body(std::string_view code, std::string_view scope, std::string_view table,
                            std::string_view lower_bound, std::string_view upper_bound,
                            std::uint32_t limit, bool reverse) {
  std::string out = table_rows_body(code, scope, table, lower_bound, upper_bound, limit);
  if (reverse) out.insert(out.size() - 1, ",\"reverse\":true");
  return out;
}

std::string registry_by_contract_body(std::string_view contract, std::uint32_t limit) {
  std::string out = table_rows_body(registry_contract, registry_contract, registry_table, contract,
                                    contract, limit);
  out.insert(out.size() - 1, R"(,"index_position":2,"key_type":"name")");
  return out;
}

std::string registry_page_body(std::string_view lower_bound, std::uint32_t limit, bool json) {
  std::string out =
      table_rows_body(registry_contract, registry_contract, registry_table, lower_bound, "", limit);
  constexpr std::string_view json_member = "{\"json\":true";
  if (!json) out.replace(0, json_member.size(), "{\"json\":false");
  return out;
}

namespace {

constexpr std::string_view get_account_path = "/v1/chain/get_account";
constexpr std::string_view get_table_rows_path = "/v1/chain/get_table_rows";
constexpr std::string_view get_currency_stats_path = "/v1/chain/get_currency_stats";
constexpr std::string_view get_currency_balance_path = "/v1/chain/get_currency_balance";
constexpr std::string_view get_table_by_scope_path = "/v1/chain/get_table_by_scope";
constexpr std::string_view get_code_hash_path = "/v1/chain/get_code_hash";
constexpr std::string_view get_info_path = "/v1/chain/get_info";
constexpr std::string_view compute_transaction_path = "/v1/chain/compute_transaction";

std::string actions_path(std::string_view account) {
  constexpr std::string_view head = "/v2/history/get_actions?account=";
  constexpr std::string_view tail = "&limit=100&sort=desc";
  std::string out;
  out.reserve(head.size() + account.size() + tail.size());  // one allocation, never grown
  out += head;
  out += account;
  out += tail;
  return out;
}

std::string creator_path(std::string_view account) {
  return "/v2/history/get_creator?account=" + std::string(account);
}

std::string top_holders_path(std::string_view contract, std::string_view symbol) {
  std::string out = "/v2/state/get_top_holders?contract=";
  out += contract;
  out += "&symbol=";
  out += symbol;
  out += "&limit=20";
  return out;
}

ChainRequest post(std::string_view path, std::string body) {
  return ChainRequest{std::string(path), std::move(body)};
}

}  // namespace

ChainRequest account_request(std::string_view account) {
  return post(get_account_path, account_body(account));
}
ChainRequest table_rows_request(std::string body) {
  return post(get_table_rows_path, std::move(body));
}
ChainRequest actions_request(std::string_view account) {
  return ChainRequest{actions_path(account), std::nullopt};
}
ChainRequest currency_stats_request(std::string_view token, std::string_view symbol) {
  return post(get_currency_stats_path, currency_stats_body(token, symbol));
}
ChainRequest currency_balance_request(std::string_view token, std::string_view account,
                                      std::string_view symbol) {
  return post(get_currency_balance_path, currency_balance_body(token, account, symbol));
}
ChainRequest stat_scopes_request(std::string_view token, std::uint32_t limit) {
  return post(get_table_by_scope_path, stat_scopes_body(token, limit));
}
ChainRequest code_hash_request(std::string_view account) {
  return post(get_code_hash_path, account_body(account));
}
ChainRequest creator_request(std::string_view account) {
  return ChainRequest{creator_path(account), std::nullopt};
}
ChainRequest top_holders_request(std::string_view contract, std::string_view symbol) {
  return ChainRequest{top_holders_path(contract, symbol), std::nullopt};
}
ChainRequest info_request() { return post(get_info_path, "{}"); }
ChainRequest registry_by_contract_request(std::string_view contract, std::uint32_t limit) {
  return post(get_table_rows_path, registry_by_contract_body(contract, limit));
}
ChainRequest registry_page_request(std::string_view lower_bound, std::uint32_t limit, bool json) {
  return post(get_table_rows_path, registry_page_body(lower_bound, limit, json));
}

ChainRequest dry_run_request(const TransferAction& transfer, const Tapos& tapos) {
  std::string out =
      R"({"transaction":{"signatures":[],"compression":"none","packed_context_free_data":"",)"
      R"("transaction":{)";
  append_string_member(out, "expiration", tapos.expiration);
  out += ",\"ref_block_num\":";
  append_decimal(out, tapos.ref_block_num);
  out += ",\"ref_block_prefix\":";
  append_decimal(out, tapos.ref_block_prefix);
  out += R"(,"max_net_usage_words":0,"max_cpu_usage_ms":0,"delay_sec":0,)"
         R"("context_free_actions":[],"actions":[{)";
  append_string_member(out, "account", transfer.token);
  out += R"(,"name":"transfer","authorization":[{)";
  append_string_member(out, "actor", transfer.from);
  out += R"(,"permission":"active"}],"data":{)";
  append_string_member(out, "from", transfer.from);
  out += ',';
  append_string_member(out, "to", transfer.to);
  out += ',';
  append_string_member(out, "quantity", transfer.quantity);
  out += ',';
  append_string_member(out, "memo", transfer.memo);
  out += R"(}}],"transaction_extensions":[]}}})";
  return ChainRequest{std::string(compute_transaction_path), std::move(out), true};
}

}  // namespace tarnwick

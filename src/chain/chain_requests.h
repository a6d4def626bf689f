// The request texts and paths of the routes. Bodies are written from fixed templates, with
// no spaces and members in a fixed order; every text inserted into them first goes through
// strip_json_unsafe, so no argument can break out of its JSON string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chain/transport.h"

namespace tarnwick {

// `text` without its characters below U+0020, its double quotes and its backslashes; every other
// byte (non-ASCII included) stays, in order. Nothing is escaped.
std::string strip_json_unsafe(std::string_view text);

// {"account_name":"<account>"}
std::string account_body(std::string_view account);

// {"json":true,"code":"..","scope":"..","table":"..","lower_bound":"..","upper_bound":"..",
//  "limit":N}
std::string table_rows_body(std::string_view code, std::string_view scope, std::string_view table,
                            std::string_view lower_bound, std::string_view upper_bound,
                            std::uint32_t limit);

// The market read: table "markets" of the exchange contract "dex", from the start, 1000 rows.
std::string market_rows_body();

// The reputation read: the row of `account` in table "agentscores" of `reputation_contract`.
std::string reputation_rows_body(std::string_view reputation_contract, std::string_view account);

// The supply read: {"code":"<token>","symbol":"<symbol>"}.
std::string currency_stats_body(std::string_view token, std::string_view symbol);

// An account's balance of one symbol on a token contract:
// {"code":"<token>","account":"<account>","symbol":"<symbol>"}.
std::string currency_balance_body(std::string_view token, std::string_view account,
                                  std::string_view symbol);

// The symbols of a token contract: the scopes of its "stat" table, up to the largest 7-letter
// symbol code (2^56 - 1), at most `limit`:
// {"code":"<token>","table":"stat","lower_bound":"","upper_bound":"72057594037927935","limit":10}
std::string stat_scopes_body(std::string_view token, std::uint32_t limit = 10);

// One page of a table: table_rows_body, with ,"reverse":true before the closing brace when
// `reverse` (rows from upper_bound down, newest first for tables keyed by a growing id).
std::string table_page_body(std::string_view code, std::string_view scope, std::string_view table,
                            std::string_view lower_bound, std::string_view upper_bound,
                            std::uint32_t limit, bool reverse);

// The network's token registry, table "tokens" of token.proton (chain/registry_reply.h).
// The rows `contract` registered, up to `limit`, found by the table's second index (tcontract):
// {"json":true,"code":"token.proton","scope":"token.proton","table":"tokens",
//  "lower_bound":"<contract>","upper_bound":"<contract>","limit":1,"index_position":2,
//  "key_type":"name"}
// A contract may register several symbols: a page that goes on (`more`) holds more of them.
std::string registry_by_contract_body(std::string_view contract, std::uint32_t limit = 1);

// A page of the registry by primary key (id) from `lower_bound` (a decimal id; "" for the
// start), each row as JSON or, with `json` false, as the hexadecimal text of its binary form:
// {"json":false,"code":"token.proton","scope":"token.proton","table":"tokens",
//  "lower_bound":"<lower_bound>","upper_bound":"","limit":250}
std::string registry_page_body(std::string_view lower_bound, std::uint32_t limit, bool json);

// The reads of the routes, as a read session asks them: a path on the node and, for a POST, its
// body. The account and symbol go into the history paths verbatim: only validated account names
// and symbol codes (A-Z) ever reach them.
ChainRequest account_request(std::string_view account);  // POST get_account
ChainRequest table_rows_request(std::string body);       // POST get_table_rows
ChainRequest actions_request(std::string_view account);  // GET the recent actions
ChainRequest currency_stats_request(std::string_view token, std::string_view symbol);
ChainRequest currency_balance_request(std::string_view token, std::string_view account,
                                      std::string_view symbol);  // POST get_currency_balance
ChainRequest stat_scopes_request(std::string_view token, std::uint32_t limit);
ChainRequest code_hash_request(std::string_view account);  // POST get_code_hash
ChainRequest creator_request(std::string_view account);    // GET the history's creator
ChainRequest top_holders_request(std::string_view contract, std::string_view symbol);
ChainRequest info_request();  // POST get_info, body {}
ChainRequest registry_by_contract_request(std::string_view contract, std::uint32_t limit = 1);
ChainRequest registry_page_request(std::string_view lower_bound, std::uint32_t limit = 250,
                                   bool json = true);

// The reference block a transaction names (TaPoS) and the time it expires.
struct Tapos {
  std::uint16_t ref_block_num = 0;
  std::uint32_t ref_block_prefix = 0;
  std::string expiration;  // "YYYY-MM-DDTHH:MM:SS", UTC
};

// A transfer of the token contract's `transfer` action, authorised by `from`'s active permission.
struct TransferAction {
  std::string_view token;
  std::string_view from;
  std::string_view to;
  std::string_view quantity;  // the asset text, "0.0010 SYM"
  std::string_view memo;
};

// POST compute_transaction: a transaction of the one transfer, unsigned and unpacked (the node
// encodes `data` with the contract's ABI), run by the node as a dry run and discarded:
// {"transaction":{"signatures":[],"compression":"none","packed_context_free_data":"",
//  "transaction":{"expiration":"..","ref_block_num":N,"ref_block_prefix":N,
//  "max_net_usage_words":0,"max_cpu_usage_ms":0,"delay_sec":0,"context_free_actions":[],
//  "actions":[{"account":"<token>","name":"transfer","authorization":[{"actor":"<from>",
//  "permission":"active"}],"data":{"from":"..","to":"..","quantity":"..","memo":".."}}],
//  "transaction_extensions":[]}}}
// It judges a transaction: only the chain's error answer about the transaction's own form or
// authority ends it; any other goes on to the next node (ChainRequest).
ChainRequest dry_run_request(const TransferAction& transfer, const Tapos& tapos);

}  // namespace tarnwick

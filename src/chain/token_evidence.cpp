#include "chain/token_evidence.h"

#include <string>
#include <variant>

#include "assess/evidence_measures.h"
#include "assess/scan_record.h"
#include "chain/chain_requests.h"
#include "chain/evidence_replies.h"
#include "chain/scan_token.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

constexpr std::string_view read_failed = "read failed";

// The reply of a read, or none; `why` is set when the read failed, `node` when it did not.
const std::string* reply_of(const ChainClient& client, const ReadOutcome& outcome, std::string& why,
                            std::string& node) {
  const std::string* reply = std::get_if<std::string>(&outcome);
  if (reply == nullptr) {
    why = read_failed;
  } else {
    node = client.base_url();
  }
  return reply;
}

// The one symbol whose supply and holders are read: from the market row, else from the "stat"
// table (one more read). None, with the supply's reason set, when there is not exactly one.
std::optional<std::string> token_symbol(JsonReader& reader, const ChainClient& client,
                                        std::string_view token, const MarketFact& market,
                                        SupplyFact& supply) {
  if (std::optional<std::string> symbol = market_symbol(market, token)) return symbol;
  const ReadOutcome scopes =
      client.post_json(get_table_by_scope_url(client.base_url()), stat_scopes_body(token));
  const std::string* reply = reply_of(client, scopes, supply.why, supply.node);
  if (reply == nullptr) return std::nullopt;
  std::optional<std::vector<std::string>> symbols = stat_symbols(reader, *reply);
  if (!symbols) {
    supply.why = "reply without rows";
  } else if (symbols->empty()) {
    supply.why = "the contract holds no token symbol";
  } else if (symbols->size() > 1) {
    supply.why = "the contract holds several token symbols";
    supply.symbols = std::move(*symbols);
  } else {
    return std::move(symbols->front());
  }
  return std::nullopt;
}

}  // namespace

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token) {
  JsonReader reader;
  return gather_evidence(thresholds, context, token, reader);
}

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token,
                                             JsonReader& reader) {
  const std::optional<ScanReplies> replies = read_scan(context, token);
  if (!replies) return std::nullopt;
  TokenEvidence evidence;
  evidence.scan = scan_record(reader, context, token, *replies, ActivityReading::read);
  evidence.verdict = scan_verdict(evidence.scan, thresholds);
  evidence.scan.activity.threshold = thresholds.max_velocity;

  const ChainClient& client = context.client;
  const std::optional<std::string> symbol =
      token_symbol(reader, client, token, evidence.scan.market, evidence.supply);
  std::optional<Asset> supply;
  if (symbol) {
    const ReadOutcome stats = client.post_json(get_currency_stats_url(client.base_url()),
                                               currency_stats_body(token, *symbol));
    std::string node;
    if (const std::string* reply = reply_of(client, stats, evidence.supply.why, node)) {
      SupplyRead read = supply_read(reader, *reply, *symbol);
      evidence.supply = std::move(read.fact);
      supply = std::move(read.supply);
    }
    evidence.supply.node = node;
  }
  if (supply) {
    const ReadOutcome holders = client.get_text(top_holders_url(client.base_url(), token, *symbol));
    std::string node;
    if (const std::string* reply = reply_of(client, holders, evidence.holders.why, node)) {
      evidence.holders = holders_fact(reader, *reply, *supply);
    }
    evidence.holders.node = node;
  } else {
    evidence.holders.why = "supply unavailable";
  }
  evidence.holders.threshold = thresholds.max_holder_share;
  const ReadOutcome code =
      client.post_json(get_code_hash_url(client.base_url()), account_body(token));
  std::string code_node;
  if (const std::string* reply = reply_of(client, code, evidence.code.why, code_node)) {
    evidence.code = code_fact(reader, *reply);
  }
  evidence.code.node = code_node;

  evidence.holders_measured = evidence.holders.why.empty() && evidence.holders.top_ten_bp;
  evidence.activity_measured = evidence.scan.activity.why.empty();
  const std::optional<std::uint32_t> per_hour =
      evidence.activity_measured ? std::optional(evidence.scan.activity.per_hour) : std::nullopt;
  evidence.measured =
      make_measured_verdict(measured_hazards(scan_outcome(evidence.scan), per_hour,
                                             evidence.holders.top_ten_bp, thresholds),
                            /*unverified=*/true, thresholds);
  return evidence;
}

}  // namespace tarnwick

#include "chain/token_evidence.h"

#include <string>
#include <variant>

#include "assess/scan_record.h"
#include "chain/chain_requests.h"
#include "chain/evidence_replies.h"
#include "chain/scan_token.h"
#include "chain/token_facts.h"
#include "chain/token_symbol.h"
#include "common/account_name.h"
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

// A read whose reply becomes a fact: `from_reply` for a reply, "read failed" otherwise; the fact
// names the node that answered.
template <class Fact, class Read>
Fact read_fact(const ChainClient& client, const ReadOutcome& outcome, Read&& from_reply) {
  Fact fact;
  std::string node;
  if (const std::string* reply = reply_of(client, outcome, fact.why, node)) {
    fact = from_reply(*reply);
    fact.node = node;
  }
  return fact;
}

// The issuer of the token: the contract itself, whose facts the scan has read, or another account
// named by the supply's row and read once more. Its name and listing count whatever that read
// gives.
IssuerFact read_issuer(JsonReader& reader, const ScanContext& context, std::string_view token,
                       const TokenEvidence& evidence) {
  const SupplyFact& supply = evidence.supply;
  if (!supply.why.empty())
    return unavailable<IssuerFact>("the supply, which names the issuer, is unavailable");
  if (supply.issuer != token) {
    if (!is_account_name(supply.issuer))
      return unavailable<IssuerFact>("the supply names no issuer");
    const ChainClient& client = context.client;
    const ReadOutcome outcome =
        client.post_json(get_account_url(client.base_url()), account_body(supply.issuer));
    const std::string* reply = std::get_if<std::string>(&outcome);
    if (reply == nullptr) {
      IssuerFact fact = named_issuer(supply.issuer, context.prior_rugs);
      fact.account_why = read_failed;
      return fact;
    }
    IssuerFact fact =
        issuer_fact(reader, *reply, supply.issuer, context.reference_time, context.prior_rugs);
    fact.node = client.base_url();
    return fact;
  }
  const ScanRecord& scan = evidence.scan;
  IssuerFact fact = named_issuer(token, context.prior_rugs);
  fact.node = scan.permissions.node;
  fact.is_contract = true;
  if (scan.creation.why.empty()) {
    fact.created = scan.creation.created;
    fact.age_days = scan.creation.age_days;
  } else if (scan.creation.first_reply_age_days) {
    fact.created = *scan.creation.first_reply_created;
    fact.age_days = scan.creation.first_reply_age_days;
  }
  fact.has_code = code_ever_set(scan.permissions.last_code_update);
  fact.control = scan.permissions.entries;
  fact.privileged = scan.permissions.owner_keys;
  fact.account_why = scan.permissions.why;
  if (fact.account_why.empty() && !fact.age_days) fact.account_why = scan.creation.why;
  return fact;
}

}  // namespace

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token) {
  JsonReader reader;
  return gather_evidence(thresholds, context, token, std::nullopt, reader);
}

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token,
                                             const std::optional<std::string>& symbol,
                                             JsonReader& reader) {
  const std::optional<ScanReplies> replies = read_scan(context, token);
  if (!replies) return std::nullopt;
  TokenEvidence evidence;
  // The recent actions are read below, once the symbol is known: a shared contract's activity is
  // that of the one token.
  evidence.scan = scan_record(reader, context, token, *replies, ActivityReading::skip);
  evidence.verdict = scan_verdict(evidence.scan, thresholds);
  const ChainClient& client = context.client;

  // 6. The contract's symbols, and the one the facts are about.
  ContractSymbols contract;
  std::string scopes_node;
  const ReadOutcome scopes = client.post_json(get_table_by_scope_url(client.base_url()),
                                              stat_scopes_body(token, contract_symbol_limit));
  if (const std::string* reply = reply_of(client, scopes, contract.why, scopes_node)) {
    contract = contract_symbols(reader, *reply);
  }
  const SymbolChoice choice =
      choose_symbol(symbol, contract, market_symbol(evidence.scan.market, token));
  evidence.symbol = choice.symbol;
  evidence.shared = choice.shared;
  if (!choice.shared) {
    // Whether the contract holds other tokens is unknown: never taken for "not shared".
    evidence.subject = Subject::both;
    evidence.shared_counted_as =
        choice.symbol ? shared_unknown_judged_both : shared_unknown_nothing_chosen;
  } else {
    evidence.subject = *choice.shared && choice.symbol ? Subject::issuer : Subject::contract;
  }

  // 7. The supply of that symbol.
  std::optional<Asset> supply;
  if (choice.symbol) {
    SupplyRead read;
    const ReadOutcome stats = client.post_json(get_currency_stats_url(client.base_url()),
                                               currency_stats_body(token, *choice.symbol));
    if (const std::string* reply = reply_of(client, stats, read.fact.why, read.fact.node)) {
      std::string node = read.fact.node;
      read = supply_read(reader, *reply, *choice.symbol);
      read.fact.node = node;
      if (read.fact.why == "the contract has no such symbol") {
        read.fact.why = "the contract holds no such symbol";
      }
    }
    evidence.supply = std::move(read.fact);
    supply = std::move(read.supply);
  } else {
    evidence.supply.why = choice.why;
  }
  evidence.supply.symbols_read = contract.why.empty();
  evidence.supply.symbols = choice.symbols;
  evidence.supply.symbols_more = choice.more;

  // 8. Its top holders.
  if (supply) {
    evidence.holders = read_fact<HoldersFact>(
        client, client.get_text(top_holders_url(client.base_url(), token, *choice.symbol)),
        [&](const std::string& reply) { return holders_fact(reader, reply, *supply); });
  } else {
    evidence.holders.why = "supply unavailable";
  }
  evidence.holders.threshold = thresholds.max_holder_share;

  // 9. The contract's code.
  evidence.code = read_fact<CodeFact>(
      client, client.post_json(get_code_hash_url(client.base_url()), account_body(token)),
      [&](const std::string& reply) { return code_fact(reader, reply); });

  // 10. The issuer, and 11. who created the contract.
  evidence.issuer = read_issuer(reader, context, token, evidence);
  evidence.creator = read_fact<CreatorFact>(
      client, client.get_text(get_creator_url(client.base_url(), token)),
      [&](const std::string& reply) { return creator_fact(reader, reply, context.prior_rugs); });

  // The recent actions, of the one symbol when the contract holds several.
  const std::optional<std::string_view> of_symbol =
      evidence.subject == Subject::issuer ? std::optional<std::string_view>(*choice.symbol)
                                          : std::nullopt;
  evidence.scan.activity = scan_activity(reader, token, *replies, evidence.scan, of_symbol);
  evidence.scan.activity.threshold = thresholds.max_velocity;

  evidence.holders_measured = evidence.holders.why.empty() && evidence.holders.top_ten_bp;
  evidence.activity_measured = evidence.scan.activity.why.empty();
  evidence.measured = make_measured_verdict(measured_word(evidence, token, thresholds),
                                            /*unverified=*/true, thresholds);
  return evidence;
}

}  // namespace tarnwick

#include "chain/token_evidence.h"

#include <string>
#include <variant>

#include "assess/scan_record.h"
#include "chain/account_reply.h"
#include "chain/chain_requests.h"
#include "chain/code_hash_reply.h"
#include "chain/creator_reply.h"
#include "chain/currency_stats_reply.h"
#include "chain/history_reply.h"
#include "chain/market_reply.h"
#include "chain/reputation_reply.h"
#include "chain/scan_token.h"
#include "chain/scan_values.h"
#include "chain/stat_scopes_reply.h"
#include "chain/token_symbol.h"
#include "chain/top_holders_reply.h"
#include "common/account_name.h"
#include "common/calendar.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

// The issuer of the token: the contract itself, whose facts the scan has read, or another account
// named by the supply's row and read once more. Its name and listing count whatever that read
// gives.
IssuerFact read_issuer(ReadSession& session, const ScanContext& context, std::string_view token,
                       const TokenEvidence& evidence) {
  const SupplyFact& supply = evidence.supply;
  if (!supply.why.empty()) {
    return unavailable<IssuerFact>(ReasonCode::input_unread,
                                   "the supply, which names the issuer, is unavailable");
  }
  if (supply.issuer != token) {
    if (!is_account_name(supply.issuer))
      return unavailable<IssuerFact>(ReasonCode::shape_not_recognised,
                                     "the supply names no issuer");
    const Reading reading = session.read(account_request(supply.issuer));
    if (!reading.reply) {
      IssuerFact fact = named_issuer(supply.issuer, context.prior_rugs);
      fact.account_why = reading.why;
      return fact;
    }
    IssuerFact fact = issuer_fact(session.reader(), *reading.reply, supply.issuer,
                                  context.reference_time, context.prior_rugs);
    fact.node = reading.node;
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

ReadBudget evidence_budget() { return {11, 12 * chain_request_deadline, chain_request_deadline}; }

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token) {
  JsonReader reader;
  return gather_evidence(thresholds, context, token, std::nullopt, reader);
}

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token,
                                             const std::optional<std::string>& symbol,
                                             JsonReader& reader) {
  ClientTransport transport(context.client);
  ReadSession session(transport, reader, evidence_budget());
  return gather_evidence(thresholds, context, token, symbol, session);
}

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token,
                                             const std::optional<std::string>& symbol,
                                             ReadSession& session) {
  const std::optional<ScanReplies> replies = read_scan(session, context, token);
  if (!replies) return std::nullopt;
  JsonReader& reader = session.reader();
  TokenEvidence evidence;
  // The recent actions are read below, once the symbol is known: a shared contract's activity is
  // that of the one token.
  evidence.scan = scan_record(reader, context, token, *replies, ActivityReading::skip);
  evidence.verdict = scan_verdict(evidence.scan, thresholds);

  // 6. The contract's symbols, and the one the facts are about.
  const SymbolChoice choice = choose_symbol(symbol, read_contract_symbols(session, token),
                                            market_symbol(evidence.scan.market, token));
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
    const Reading stats = session.read(currency_stats_request(token, *choice.symbol));
    if (stats.reply) {
      read = supply_read(reader, *stats.reply, *choice.symbol);
      read.fact.node = stats.node;
    } else {
      read.fact.why = stats.why;
    }
    evidence.supply = std::move(read.fact);
    supply = std::move(read.supply);
  } else {
    evidence.supply.why = choice.why;
  }
  evidence.supply.symbols_read = choice.shared.has_value();
  evidence.supply.symbols = choice.symbols;
  evidence.supply.symbols_more = choice.more;

  // 8. Its top holders.
  if (supply) {
    evidence.holders = session.fact<HoldersFact>(
        top_holders_request(token, *choice.symbol),
        [&](JsonReader& in, const std::string& reply) { return holders_fact(in, reply, *supply); });
  } else {
    evidence.holders.why = reason(ReasonCode::input_unread, "supply unavailable");
  }
  evidence.holders.threshold = thresholds.max_holder_share;

  // 9. The contract's code.
  evidence.code = session.fact<CodeFact>(
      code_hash_request(token),
      [](JsonReader& in, const std::string& reply) { return code_fact(in, reply); });

  // 10. The issuer, and 11. who created the contract.
  evidence.issuer = read_issuer(session, context, token, evidence);
  evidence.creator = session.fact<CreatorFact>(creator_request(token),
                                               [&](JsonReader& in, const std::string& reply) {
                                                 return creator_fact(in, reply, context.prior_rugs);
                                               });

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

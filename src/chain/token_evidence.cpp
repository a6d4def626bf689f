#include "chain/token_evidence.h"

#include <array>
#include <string>
#include <vector>

#include "assess/scan_record.h"
#include "chain/account_reply.h"
#include "chain/chain_requests.h"
#include "chain/code_hash_reply.h"
#include "chain/creator_reply.h"
#include "chain/currency_stats_reply.h"
#include "chain/market_reply.h"
#include "chain/scan_token.h"
#include "chain/token_symbol.h"
#include "chain/top_holders_reply.h"
#include "common/account_name.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

// The account that issues the token when it is not the contract: the one the supply's row names,
// read once more; none when the issuer is the contract or unknown.
std::optional<std::string> issuer_to_read(const SupplyFact& supply, std::string_view token) {
  if (!supply.why.empty() || supply.issuer == token || !is_account_name(supply.issuer)) {
    return std::nullopt;
  }
  return supply.issuer;
}

// The issuer of the token: the contract itself, whose facts the scan has read, or the account
// read as `account` (issuer_to_read). Its name and listing count whatever that read gives.
IssuerFact issuer_of(JsonReader& reader, const ScanContext& context, std::string_view token,
                     const TokenEvidence& evidence, const Reading* account) {
  const SupplyFact& supply = evidence.supply;
  if (!supply.why.empty()) {
    return unavailable<IssuerFact>(ReasonCode::input_unread,
                                   "the supply, which names the issuer, is unavailable");
  }
  if (supply.issuer != token) {
    if (account == nullptr) {
      return unavailable<IssuerFact>(ReasonCode::shape_not_recognised,
                                     "the supply names no issuer");
    }
    if (!account->reply) {
      IssuerFact fact = named_issuer(supply.issuer, context.prior_rugs);
      fact.account_why = account->why;
      return fact;
    }
    IssuerFact fact = issuer_fact(reader, *account->reply, supply.issuer, context.reference_time,
                                  context.prior_rugs);
    fact.node = account->node;
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

ReadBudget evidence_budget() { return {11, std::chrono::milliseconds{30'000}}; }

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token) {
  JsonReader reader;
  return gather_evidence(thresholds, context, token, std::nullopt, reader);
}

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token,
                                             const std::optional<std::string>& symbol,
                                             JsonReader& reader) {
  ReadSession session(context.client, reader, evidence_budget());
  return gather_evidence(thresholds, context, token, symbol, session);
}

std::optional<TokenEvidence> gather_evidence(const ScanThresholds& thresholds,
                                             const ScanContext& context, std::string_view token,
                                             const std::optional<std::string>& symbol,
                                             ReadSession& session) {
  // 1. The account alone: without it there is nothing to judge and no other read is made.
  Reading account = session.read(account_request(token));
  if (!account.reply) return std::nullopt;
  // 2. Everything that needs only the token's name, at once: the rest of the scan's reads, the
  // contract's symbols (with the market, which the symbol choice rests on, started first), its
  // code and its creator.
  const std::array<ChainRequest, 7> second = {
      table_rows_request(market_rows_body()),
      contract_symbols_request(token),
      account_request(token),
      actions_request(token),
      table_rows_request(reputation_rows_body(context.reputation_contract, token)),
      code_hash_request(token),
      creator_request(token),
  };
  std::vector<Reading> read = session.read(second);
  const ScanReplies replies{std::move(*account.reply), std::move(account.node), std::move(read[0]),
                            std::move(read[2]),        std::move(read[3]),      std::move(read[4])};
  JsonReader& reader = session.reader();
  TokenEvidence evidence;
  // The recent actions are read below, once the symbol is known: a shared contract's activity is
  // that of the one token.
  evidence.scan = scan_record(reader, context, token, replies, ActivityReading::skip);
  evidence.verdict = scan_verdict(evidence.scan, thresholds);
  evidence.code = fact_of<CodeFact>(reader, read[5], [](JsonReader& in, const std::string& reply) {
    return code_fact(in, reply);
  });
  evidence.creator =
      fact_of<CreatorFact>(reader, read[6], [&](JsonReader& in, const std::string& reply) {
        return creator_fact(in, reply, context.prior_rugs);
      });

  // The symbol the facts are about.
  const SymbolChoice choice = choose_symbol(symbol, contract_symbols_of(reader, read[1]),
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

  // 3. The supply of that symbol.
  std::optional<Asset> supply;
  if (choice.symbol) {
    SupplyRead stats;
    const Reading reading = session.read(currency_stats_request(token, *choice.symbol));
    if (reading.reply) {
      stats = supply_read(reader, *reading.reply, *choice.symbol);
      stats.fact.node = reading.node;
    } else {
      stats.fact.why = reading.why;
    }
    evidence.supply = std::move(stats.fact);
    supply = std::move(stats.supply);
  } else {
    evidence.supply.why = choice.why;
  }
  evidence.supply.symbols_read = choice.shared.has_value();
  evidence.supply.symbols = choice.symbols;
  evidence.supply.symbols_more = choice.more;

  // 4. What the supply names, at once: its top holders and the issuer's account.
  std::vector<ChainRequest> fourth;
  if (supply) fourth.push_back(top_holders_request(token, *choice.symbol));
  const std::optional<std::string> issuer = issuer_to_read(evidence.supply, token);
  if (issuer) fourth.push_back(account_request(*issuer));
  const std::vector<Reading> last = session.read(fourth);
  if (supply) {
    evidence.holders = fact_of<HoldersFact>(
        reader, last.front(),
        [&](JsonReader& in, const std::string& reply) { return holders_fact(in, reply, *supply); });
  } else {
    evidence.holders.why = reason(ReasonCode::input_unread, "supply unavailable");
  }
  evidence.holders.threshold = thresholds.max_holder_share;
  evidence.issuer = issuer_of(reader, context, token, evidence, issuer ? &last.back() : nullptr);

  // The recent actions, of the one symbol when the contract holds several.
  const std::optional<std::string_view> of_symbol =
      evidence.subject == Subject::issuer ? std::optional<std::string_view>(*choice.symbol)
                                          : std::nullopt;
  evidence.scan.activity = scan_activity(reader, token, replies, evidence.scan, of_symbol);
  evidence.scan.activity.threshold = thresholds.max_velocity;

  evidence.holders_measured = evidence.holders.why.empty() && evidence.holders.top_ten_bp;
  evidence.activity_measured = evidence.scan.activity.why.empty() || evidence.scan.activity.partly;
  evidence.measured = make_measured_verdict(measured_word(evidence, token, thresholds),
                                            /*unverified=*/true, thresholds);
  return evidence;
}

}  // namespace tarnwick

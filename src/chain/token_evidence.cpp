#include "chain/token_evidence.h"

#include <cassert>
#include <string>
#include <vector>

#include "assess/scan_record.h"
#include "assess/symbol_elsewhere.h"
#include "chain/account_reply.h"
#include "chain/chain_requests.h"
#include "chain/code_hash_reply.h"
#include "chain/creator_reply.h"
#include "chain/currency_stats_reply.h"
#include "chain/market_reply.h"
#include "chain/read_plan.h"
#include "chain/registry_reply.h"
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

// This contract's registry rows as the read gave them; unread with why when it gave none.
ContractRegistryRows registry_rows(JsonReader& reader, const std::optional<Reading>& read) {
  ContractRegistryRows rows;
  if (!read) {
    rows.why = reason(ReasonCode::input_unread, "no symbol chosen");
  } else if (!read->reply) {
    rows.why = read->why;
  } else {
    RowsPage<RegistryRow> page = registry_page(reader, *read->reply);
    rows.why = std::move(page.why);
    rows.rows = std::move(page.rows);
    rows.whole = !page.more;
  }
  return rows;
}

}  // namespace

ReadBudget evidence_budget() { return {12, std::chrono::milliseconds{30'000}}; }

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
  assert(is_account_name(token));
  ReadPlan plan;
  // The account alone: without it there is nothing to judge and no other read is made.
  const auto account = plan.add_one({}, [&] { return account_request(token); });
  const auto account_read = [&plan, account] { return plan[account]->reply.has_value(); };
  const auto once_read = [&](const ChainRequest& request) {
    return [account_read, request]() -> std::optional<ChainRequest> {
      if (!account_read()) return std::nullopt;
      return request;
    };
  };
  // Everything that needs only the token's name, at once: the market and the contract's symbols
  // first (the symbol choice rests on them), the rest of the scan's reads, its code and creator.
  const SymbolReads symbols = add_symbol_reads(plan, {account}, token, symbol, true, account_read);
  const auto creation = plan.add_one({account}, once_read(account_request(token)));
  const auto history = plan.add_one({account}, once_read(actions_request(token)));
  const auto reputation = plan.add_one(
      {account},
      once_read(table_rows_request(reputation_rows_body(context.reputation_contract, token))));
  const auto code = plan.add_one({account}, once_read(code_hash_request(token)));
  const auto creator = plan.add_one({account}, once_read(creator_request(token)));
  // The supply of the chosen symbol, as soon as it is chosen.
  const auto stats = plan.add_one({symbols.choice}, [&]() -> std::optional<ChainRequest> {
    const SymbolChoice& choice = *plan[symbols.choice];
    if (!choice.symbol) return std::nullopt;
    return currency_stats_request(token, *choice.symbol);
  });
  const auto supply = plan.add_view<SupplyRead>({stats}, [&](JsonReader& reader) {
    const SymbolChoice& choice = *plan[symbols.choice];
    SupplyRead read;
    if (!choice.symbol) {
      read.fact.why = choice.why;
    } else if (const Reading& reading = *plan[stats]; reading.reply) {
      read = supply_read(reader, *reading.reply, *choice.symbol);
      read.fact.node = reading.node;
    } else {
      read.fact.why = reading.why;
    }
    return read;
  });
  // This contract's rows in the token registry, once the symbol is chosen.
  const auto registry = plan.add_one({symbols.choice}, [&]() -> std::optional<ChainRequest> {
    if (!plan[symbols.choice]->symbol) return std::nullopt;
    return registry_by_contract_request(token, registry_rows_per_contract);
  });
  // What the supply names, at once: its top holders and the issuer's account.
  const auto holders = plan.add_one({supply}, [&]() -> std::optional<ChainRequest> {
    if (!plan[supply]->supply) return std::nullopt;
    return top_holders_request(token, *plan[symbols.choice]->symbol);
  });
  const auto issuer = plan.add_one({supply}, [&]() -> std::optional<ChainRequest> {
    const std::optional<std::string> other = issuer_to_read(plan[supply]->fact, token);
    if (!other) return std::nullopt;
    return account_request(*other);
  });
  plan.run(session);

  if (!plan[account]->reply) return std::nullopt;
  const ScanReplies replies{std::move(*plan[account]->reply), plan[account]->node,
                            std::move(*plan[symbols.market]), std::move(*plan[creation]),
                            std::move(*plan[history]),        std::move(*plan[reputation])};
  JsonReader& reader = session.reader();
  TokenEvidence evidence;
  // The recent actions are read below, once the symbol is known: a shared contract's activity is
  // that of the one token.
  evidence.scan = scan_record(reader, context, token, replies, ActivityReading::skip);
  evidence.verdict = scan_verdict(evidence.scan, thresholds);
  evidence.code = fact_of<CodeFact>(
      reader, *plan[code],
      [](JsonReader& in, const std::string& reply) { return code_fact(in, reply); });
  evidence.creator =
      fact_of<CreatorFact>(reader, *plan[creator], [&](JsonReader& in, const std::string& reply) {
        return creator_fact(in, reply, context.prior_rugs);
      });

  // The symbol the facts are about.
  const SymbolChoice& choice = *plan[symbols.choice];
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
  evidence.supply = plan[supply]->fact;
  evidence.supply.symbols_read = choice.shared.has_value();
  evidence.supply.symbols = choice.symbols;
  evidence.supply.symbols_more = choice.more;

  if (const std::optional<Asset>& held = plan[supply]->supply) {
    evidence.holders = fact_of<HoldersFact>(
        reader, *plan[holders],
        [&](JsonReader& in, const std::string& reply) { return holders_fact(in, reply, *held); });
  } else {
    evidence.holders.why = reason(ReasonCode::input_unread, "supply unavailable");
  }
  evidence.holders.threshold = thresholds.max_holder_share;
  const std::optional<Reading>& issuer_read = plan[issuer];
  evidence.issuer =
      issuer_of(reader, context, token, evidence, issuer_read ? &*issuer_read : nullptr);

  // The recent actions, of the one symbol when the contract holds several.
  const std::optional<std::string_view> of_symbol =
      evidence.subject == Subject::issuer ? std::optional<std::string_view>(*choice.symbol)
                                          : std::nullopt;
  evidence.scan.activity = scan_activity(reader, token, replies, evidence.scan, of_symbol);
  evidence.scan.activity.threshold = thresholds.max_velocity;

  evidence.symbol_elsewhere =
      symbol_elsewhere(token, choice.symbol, choice.why, context.known_tokens,
                       registry_rows(reader, plan[registry]), *plan[symbols.market_rows]);
  if (const std::optional<Reading>& read = plan[registry]; read && read->reply) {
    evidence.symbol_elsewhere.node = read->node;
  }

  evidence.holders_measured = evidence.holders.why.empty() && evidence.holders.top_ten_bp;
  evidence.activity_measured = evidence.scan.activity.why.empty() || evidence.scan.activity.partly;
  evidence.measured = make_measured_verdict(measured_word(evidence, token, thresholds),
                                            /*unverified=*/true, thresholds);
  return evidence;
}

}  // namespace tarnwick

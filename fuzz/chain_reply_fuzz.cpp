// Fuzz target: the reading of chain replies (owner privilege, market depth, account age,
// reputation) on arbitrary reply text, and the creation-time reader on arbitrary "created" texts.
// Checked on every input:
//   - text that is not one JSON document reads as the unread values: not privileged, depth 0,
//     age unknown, no reputation score;
//   - a depth is 0 or 10000, a score at most 100;
//   - an age never shrinks as the reference time grows, is 0 at the creation second itself and
//     turns 1 exactly 86400 seconds later;
//   - a creation time, when one is read, is not before 1970;
//   - the evidence readers: text that is not JSON leaves every fact unavailable; a fact that is
//     read holds what it promises (supply readable, at most 20 holders, a 64-digit hash, at most
//     100 actions counted, shares at most 10000); symbols read from scopes are symbol codes;
//   - one record behind both answers: with the input as every reply of a scan (the first byte
//     chooses which of the later reads failed and whether the token is listed), the verdict the
//     record gives is the one the former readers give for the same replies, and in the /evidence
//     answer the verdict is that verdict, the facts' hazard_bits together are exactly its hazard
//     word and their measured_bits exactly the measured one, also when a shared token is judged
//     by its issuer (the reply read as the issuer's account and the creator record too), or as
//     both the contract and its issuer when the contract's symbols were not read;
//   - the dry-run reader: text that is not JSON never went through; a run that went through
//     names nobody, and every message stays within 200 characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "assess/evidence_json.h"
#include "assess/evidence_measures.h"
#include "assess/hazards.h"
#include "assess/scan_record.h"
#include "assess/token_amounts.h"
#include "chain/account_reply.h"
#include "chain/code_hash_reply.h"
#include "chain/creator_reply.h"
#include "chain/currency_stats_reply.h"
#include "chain/dry_run_reply.h"
#include "chain/history_reply.h"
#include "chain/json_parse.h"
#include "chain/market_reply.h"
#include "chain/registry_reply.h"
#include "chain/reputation_reply.h"
#include "chain/scan_token.h"
#include "chain/scan_values.h"
#include "chain/stat_scopes_reply.h"
#include "chain/top_holders_reply.h"
#include "common/calendar.h"
#include "common/json_reader.h"
#include "oracle_reads.h"

namespace {

using namespace tarnwick;

void require(bool condition) {
  if (!condition) std::abort();
}

void check_dry_run(std::string_view reply, bool json) {
  JsonReader reader;
  const RunParties sale{"tok",        "alice",       "swap.alcor", "1.0000 TOK",
                        "swap.alcor", "eosio.token", "XPR"};
  for (const RunParties& parties :
       {RunParties{"tok", "alice", "bob", "1.0000 TOK", {}, {}, {}}, sale}) {
    const RunResult result = dry_run_result(reader, reply, parties, 1'765'000'000);
    require(json || result.outcome != RunOutcome::went_through);
    if (result.outcome == RunOutcome::went_through) {
      require(result.by.empty() && !result.code && result.message.empty());
      // A sale goes through only with what the venue paid.
      require(parties.venue.empty() != result.proceeds.has_value());
    }
    std::size_t characters = 0;
    for (const char c : result.message)
      characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    require(characters <= max_message_characters);
  }
}

void check_ages(std::string_view reply) {
  constexpr std::uint64_t references[] = {0, 1'705'314'600, 1'767'225'600, 253'402'300'799,
                                          std::numeric_limits<std::uint64_t>::max()};
  std::uint32_t previous = 0;
  bool previous_known = false;
  for (const std::uint64_t reference : references) {
    const std::uint32_t age = account_age_days(reply, reference);
    if (age == unknown_age_days) continue;
    require(!previous_known || age >= previous);
    previous = age;
    previous_known = true;
  }
}

void check_created(std::string_view created) {
  const std::optional<std::int64_t> seconds = created_seconds(created);
  if (!seconds) return;
  require(*seconds >= 0);
  const auto at = static_cast<std::uint64_t>(*seconds);
  require(age_in_days(*seconds, at) == 0);
  require(age_in_days(*seconds, at + 86'399) == 0);
  require(age_in_days(*seconds, at + 86'400) == 1);
  if (at > 0) require(age_in_days(*seconds, at - 1) == 0);
}

void check_evidence(std::string_view reply, bool json) {
  JsonReader reader;
  const AccountRead account = read_account(reader, reply);
  const MarketFact market = read_market(reader, reply, "snipcoins");
  const SupplyRead supply = supply_read(reader, reply, "TOK");
  const Asset asset{.units = 10'000'000, .precision = 4, .symbol = "TOK"};
  const HoldersFact holders = holders_fact(reader, reply, asset);
  const CodeFact code = code_fact(reader, reply);
  const ActivityFact activity = read_activity(reader, reply, "snipcoins", 1'748'779'200);
  const ContractSymbols symbols = contract_symbols(reader, reply);
  if (!json) {
    require(!account.permissions.why.empty() && !market.why.empty() && !supply.fact.why.empty() &&
            !holders.why.empty() && !code.why.empty() && !activity.why.empty() &&
            !symbols.why.empty());
  }
  require(supply.fact.why.empty() == supply.supply.has_value());
  if (supply.supply) require(parse_asset(supply.fact.max_supply).has_value());
  require(holders.holders.size() <= top_holder_limit);
  if (holders.top_ten_bp) require(*holders.top_ten_bp <= 10000);
  for (const HolderEntry& holder : holders.holders)
    require(!holder.share_bp || *holder.share_bp <= 10000);
  if (code.why.empty()) require(code.hash.size() == 64);
  std::uint64_t counted = 0;
  for (const auto& [name, count] : activity.by_name) counted += count;
  require(counted <= history_action_limit && activity.per_hour <= counted);
  if (symbols.why.empty()) {
    for (const std::string& symbol : symbols.symbols) require(is_symbol_code(symbol));
  }
  if (const std::optional<std::string> symbol = scope_symbol(reply)) {
    require(is_symbol_code(*symbol));
  }
  // The market's rows kept and its walk agree on the token's fact; registry rows are whole rows.
  const MarketRows rows = read_market_rows(reader, reply);
  const MarketFact from_rows = market_fact(rows, "snipcoins");
  require(from_rows.why.text == market.why.text && from_rows.found == market.found &&
          from_rows.rows_read == market.rows_read && from_rows.bid.contract == market.bid.contract);
  require(rows.rows.size() <= kept_market_rows);
  for (const RowsPage<RegistryRow>& page :
       {registry_page(reader, reply), registry_binary_page(reader, reply)}) {
    if (!page.why.empty()) require(page.rows.empty());
    for (const RegistryRow& row : page.rows) {
      require(!row.contract.empty() && is_symbol_code(row.symbol));
    }
  }
}

// The verdict the former readers give when `reply` is every reply of a scan.
Verdict former_verdict(std::string_view reply, std::uint8_t failures, bool listed) {
  ScanOutcome outcome;
  outcome.owner_privileged = oracle::owner_privileged(reply);
  if ((failures & 1U) == 0) outcome.liquidity_depth = oracle::liquidity_depth(reply, "snipcoins");
  if ((failures & 2U) == 0) {
    const std::optional<std::string> created = oracle::created_text(reply);
    const std::optional<std::int64_t> seconds = created ? created_seconds(*created) : std::nullopt;
    if (seconds) outcome.account_age_days = age_in_days(*seconds, 1'767'225'600);
  }
  outcome.prior_rug = listed;
  if ((failures & 8U) == 0) {
    if (const std::optional<RawReputation> value = oracle::reputation_value(reply)) {
      outcome.reputation_score = scale_reputation(*value);
    }
  }
  return make_verdict(evaluate_hazards(outcome, scan_thresholds), true, scan_thresholds);
}

// The union of the bit numbers listed under `member` in every fact of an /evidence answer.
std::uint32_t listed_bits(const nlohmann::json& facts, const char* member) {
  std::uint32_t bits = 0;
  for (const auto& [name, fact] : facts.items()) {
    for (const auto& bit : fact.at(member)) bits |= 1U << bit.get<unsigned>();
  }
  return bits;
}

void check_one_record(std::string_view reply, std::uint8_t choice) {
  static const ScanContext context{ChainClient(ClientSettings{}), "agentfeed", 1'767'225'600,
                                   parse_prior_rugs("snipcoins\n")};
  static const ScanContext unlisted{ChainClient(ClientSettings{}), "agentfeed", 1'767'225'600,
                                    PriorRugList{}};
  const std::uint8_t failures = choice & 0x0FU;
  const bool listed = (choice & 0x10U) != 0;
  auto read = [&](unsigned bit) {
    return (failures & bit) != 0
               ? Reading{std::nullopt, "", reason(ReasonCode::read_failed, "read failed")}
               : Reading{std::string(reply), "https://node", {}};
  };
  const ScanReplies replies{std::string(reply), "https://node", read(1), read(2), read(4), read(8)};
  JsonReader reader;
  TokenEvidence evidence;
  evidence.scan =
      scan_record(reader, listed ? context : unlisted, "snipcoins", replies, ActivityReading::read);
  evidence.verdict = scan_verdict(evidence.scan, scan_thresholds);
  const Verdict former = former_verdict(reply, failures, listed);
  require(evidence.verdict.hazard == former.hazard && evidence.verdict.level == former.level &&
          evidence.verdict.severity == former.severity);

  const Asset asset{.units = 10'000'000, .precision = 4, .symbol = "TOK"};
  evidence.holders = holders_fact(reader, reply, asset);
  evidence.code = code_fact(reader, reply);
  evidence.supply = supply_read(reader, reply, "TOK").fact;
  if ((choice & 0x20U) != 0) {  // one token of a shared contract, judged by its issuer
    evidence.symbol = "TOK";
    evidence.shared = true;
    evidence.subject = Subject::issuer;
    if ((choice & 0x40U) != 0) {  // the symbols unread: judged as both
      evidence.shared = std::nullopt;
      evidence.subject = Subject::both;
    }
    evidence.issuer = issuer_fact(reader, reply, "founder", 1'767'225'600, context.prior_rugs);
    evidence.creator = creator_fact(reader, reply, context.prior_rugs);
  }
  evidence.measured = make_measured_verdict(measured_word(evidence, "snipcoins", scan_thresholds),
                                            true, scan_thresholds);

  const nlohmann::json answer = parse_json(evidence_json("snipcoins", "https://node", evidence));
  require(!answer.is_discarded());
  require(answer.at("verdict").at("hazard").get<unsigned>() == former.hazard);
  require(answer.at("verdict").at("level").get<std::string>() == level_name(former.level));
  require(listed_bits(answer.at("facts"), "hazard_bits") == former.hazard);
  require(listed_bits(answer.at("facts"), "measured_bits") == evidence.measured.hazard);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  const bool privileged = owner_privileged(reply);
  const std::uint16_t depth = liquidity_depth(reply, "snipcoins");
  const std::uint16_t short_depth = liquidity_depth(reply, "a");
  const std::optional<std::uint8_t> score = reputation_score(reply);
  require(depth == 0 || depth == active_market_depth);
  require(short_depth == 0 || short_depth == active_market_depth);
  require(!score || *score <= 100);
  if (parse_json(reply).is_discarded()) {
    require(!privileged && depth == 0 && short_depth == 0 && !score);
    require(account_age_days(reply, 1'767'225'600) == unknown_age_days);
  }
  check_evidence(reply, !parse_json(reply).is_discarded());
  check_dry_run(reply, !parse_json(reply).is_discarded());
  check_ages(reply);
  if (size > 0) check_one_record(reply.substr(1), data[0]);
  check_created(reply);
  return 0;
}

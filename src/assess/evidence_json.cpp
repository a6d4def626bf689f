#include "assess/evidence_json.h"

#include <vector>

#include "assess/json_writer.h"
#include "assess/scan_record.h"
#include "assess/token_answer.h"

namespace tarnwick {
namespace {

// The bits set in `bits`, ascending.
void write_bits(JsonObject& fact, std::string_view key, HazardBits bits) {
  JsonArray list = fact.array(key);
  for (unsigned bit = 0; bit < 16; ++bit) {
    if (has_bit(bits, bit)) list.item(bit);
  }
}

// What every fact opens with: whether it was read, and the bits of both verdicts it set.
struct FactHead {
  const TokenEvidence& evidence;
};

// How a fact stands when it is not read whole: why, and what the verdicts took in its place.
// `partly`: some of its members were read, and are written after the head.
struct Unread {
  std::string_view why;  // empty when the fact was read
  std::string_view counted_as;
  bool partly = false;
};

// The head of a fact: "status":"read", or "status":"unavailable" or "partly" with "why" and
// "counted_as"; then "hazard_bits", "measured_bits" and "node" (null when no node answered).
// True when read.
bool write_fact_head(JsonObject& fact, const FactHead& head, FactName name, const Unread& unread,
                     std::string_view node) {
  const bool read = unread.why.empty();
  if (read) {
    fact.member("status", "read");
  } else {
    fact.member("status", unread.partly ? "partly" : "unavailable");
    fact.member("why", unread.why);
    fact.member("counted_as", unread.counted_as);
  }
  write_bits(fact, "hazard_bits", head.evidence.verdict.hazard & verdict_bits_of(name));
  write_bits(fact, "measured_bits",
             head.evidence.measured.hazard & measured_bits_in(head.evidence, name));
  fact.member("node", nonempty(node));
  return read;
}

// write_fact_head for a fact read whole or not at all, counted as counted_as() says.
bool write_whole_fact_head(JsonObject& fact, const FactHead& head, FactName name,
                           std::string_view why, std::string_view node,
                           bool market_read_failed = false) {
  const Unread unread{why, counted_as(name, market_read_failed, head.evidence.subject), false};
  return write_fact_head(fact, head, name, unread, node);
}

void write_verdict_head(JsonObject& out, const Verdict& verdict) {
  out.member("level", level_name(verdict.level));
  out.member("severity", verdict.severity);
  out.member("hazard", verdict.hazard);
}

// The verdict /scan gives for the same replies, and what it rests on.
void write_scan_verdict(JsonObject& answer, const Verdict& verdict) {
  JsonObject out = answer.object("verdict");
  write_verdict_head(out, verdict);
  out.member("unverified", verdict.unverified);
  out.member("block", block(verdict));
  out.member("rests_on", verdict_rests_on());
}

// The verdict recomputed with the measures taken, and what it rests on.
void write_measured_verdict(JsonObject& answer, const TokenEvidence& evidence) {
  JsonObject out = answer.object("measured");
  write_verdict_head(out, evidence.measured);
  out.member("block", block(evidence.measured));
  out.member("holders_measured", evidence.holders_measured);
  out.member("activity_measured", evidence.activity_measured);
  out.member("rests_on", measured_rests_on(evidence));
}

void write_permission(JsonObject& out, const PermissionEntry& entry) {
  out.member("name", entry.name);
  out.member("parent", entry.parent);
  out.member("keys", entry.keys);
  out.member("accounts", entry.accounts);
  out.member("privileged", entry.privileged);
}

void write_permission_list(JsonObject& fact, std::string_view key,
                           const std::vector<PermissionEntry>& entries) {
  JsonArray list = fact.array(key);
  for (const PermissionEntry& entry : entries) {
    JsonObject item = list.object();
    write_permission(item, entry);
  }
}

void write_code_setters(JsonObject& fact, const std::vector<CodeSetter>& setters) {
  JsonArray list = fact.array("code_setters");
  for (const CodeSetter& setter : setters) {
    JsonObject item = list.object();
    write_permission(item, setter.permission);
    item.member("via", setter.via);
  }
}

void write_permissions(JsonObject& facts, const FactHead& head, const PermissionsFact& fact) {
  JsonObject out = facts.object("permissions");
  const Unread unread{fact.why.text, permissions_counted_as(fact), fact.partly};
  if (!write_fact_head(out, head, FactName::permissions, unread, fact.node) && !fact.partly) return;
  write_permission_list(out, "permissions", fact.entries);
  write_code_setters(out, fact.code_setters);
  out.member("listed_all", !fact.cut);
  out.member("last_code_update", fact.last_code_update);
}

void write_side(JsonObject& row, std::string_view key, const MarketSide& side) {
  JsonObject out = row.object(key);
  out.member("contract", side.contract);
  out.member("symbol", side.symbol);
}

void write_market_row(JsonObject& fact, const MarketFact& market) {
  if (!market.found) {
    fact.member("row", std::nullopt);
    return;
  }
  JsonObject out = fact.object("row");
  out.member("market_id", market.market_id);
  out.member("symbol", market.symbol);
  out.member("status_code", market.status_code);
  write_side(out, "bid_token", market.bid);
  write_side(out, "ask_token", market.ask);
}

void write_market(JsonObject& facts, const FactHead& head, const MarketFact& fact) {
  JsonObject out = facts.object("market");
  if (!write_whole_fact_head(out, head, FactName::market, fact.why.text, fact.node,
                             fact.read_failed)) {
    return;
  }
  out.member("rows_read", fact.rows_read);
  out.member("limit_reached", fact.limit_reached);
  out.member("more", fact.more);
  write_market_row(out, fact);
}

void write_creation(JsonObject& facts, const FactHead& head, const CreationFact& fact) {
  JsonObject out = facts.object("creation");
  const bool partly = !fact.why.empty() && fact.first_reply_age_days.has_value();
  const Unread unread{fact.why.text, creation_counted_as(fact), partly};
  if (!write_fact_head(out, head, FactName::creation, unread, fact.node) && !partly) return;
  out.member("created", partly ? *fact.first_reply_created : fact.created);
  out.member("age_days", partly ? *fact.first_reply_age_days : fact.age_days);
  out.member("reference_time", fact.reference_time);
}

void write_prior_rug(JsonObject& facts, const FactHead& head, const PriorRugFact& fact) {
  JsonObject out = facts.object("prior_rug");
  write_whole_fact_head(out, head, FactName::prior_rug, "", "");
  out.member("listed", fact.listed);
  out.member("list_size", fact.list_size);
}

void write_reputation(JsonObject& facts, const FactHead& head, const ReputationFact& fact) {
  JsonObject out = facts.object("reputation");
  if (!write_whole_fact_head(out, head, FactName::reputation, fact.why.text, fact.node)) return;
  out.member("contract", fact.contract);
  out.member("avg_score", fact.avg_score);  // the raw value as it stood: number, text or null
  out.member("score", fact.score);
}

void write_supply(JsonObject& facts, const FactHead& head, const SupplyFact& fact) {
  JsonObject out = facts.object("supply");
  if (write_whole_fact_head(out, head, FactName::supply, fact.why.text, fact.node)) {
    out.member("symbol", fact.symbol);
    out.member("precision", fact.precision);
    out.member("supply", fact.supply);
    out.member("max_supply", fact.max_supply);
    out.member("issuer", fact.issuer);
    out.member("capped", fact.capped);
    out.member("over_cap", fact.over_cap);
    out.member("headroom_bp", fact.headroom_bp);
  }
  if (fact.symbols_read) {
    out.member("symbols", fact.symbols);
    out.member("symbols_more", fact.symbols_more);
  }
}

void write_holder_list(JsonObject& fact, const std::vector<HolderEntry>& holders) {
  JsonArray list = fact.array("holders");
  for (const HolderEntry& holder : holders) {
    JsonObject item = list.object();
    item.member("owner", holder.owner);
    item.member("amount", holder.amount);
    item.member("share_bp", holder.share_bp);
  }
}

void write_holders(JsonObject& facts, const FactHead& head, const HoldersFact& fact) {
  JsonObject out = facts.object("holders");
  if (!write_whole_fact_head(out, head, FactName::holders, fact.why.text, fact.node)) return;
  write_holder_list(out, fact.holders);
  out.member("top10_share_bp", fact.top_ten_bp);
  out.member("excluded", escrow_accounts);
  out.member("threshold", fact.threshold);
}

// {"<action name>":count,...}
void write_by_name(JsonObject& fact, const ActivityFact& activity) {
  JsonObject out = fact.object("by_name");
  for (const auto& [name, count] : activity.by_name) out.member(name, count);
}

void write_activity(JsonObject& facts, const FactHead& head, const ActivityFact& fact) {
  JsonObject out = facts.object("activity");
  const Unread unread{fact.why.text, activity_counted_as(fact), fact.partly};
  if (!write_fact_head(out, head, FactName::activity, unread, fact.node) && !fact.partly) return;
  out.member("symbol_actions", fact.symbol_actions);
  out.member("per_hour", fact.per_hour);
  out.member("saturated", fact.saturated);
  write_by_name(out, fact);
  out.member("newest", nonempty(fact.newest));
  out.member("threshold", fact.threshold);
}

void write_code(JsonObject& facts, const FactHead& head, const CodeFact& fact) {
  JsonObject out = facts.object("code");
  if (!write_whole_fact_head(out, head, FactName::code, fact.why.text, fact.node)) return;
  out.member("hash", fact.hash);
  out.member("has_code", fact.has_code);
  out.member("build", fact.build);
}

void write_issuer(JsonObject& facts, const FactHead& head, const IssuerFact& fact) {
  JsonObject out = facts.object("issuer");
  const bool partly = fact.why.empty() && !fact.account_why.empty();
  const Unread unread{partly ? fact.account_why.text : fact.why.text,
                      issuer_counted_as(fact, head.evidence.subject), partly};
  const bool read = write_fact_head(out, head, FactName::issuer, unread, fact.node);
  if (!read && !partly) return;
  out.member("name", fact.name);
  out.member("is_contract", fact.is_contract);
  out.member("created", fact.created);
  out.member("age_days", fact.age_days);
  if (read) {
    out.member("has_code", fact.has_code);
    write_permission_list(out, "permissions", fact.control);
    out.member("privileged", fact.privileged);
  }
  out.member("listed", fact.listed);
}

void write_creator(JsonObject& facts, const FactHead& head, const CreatorFact& fact) {
  JsonObject out = facts.object("creator");
  if (!write_whole_fact_head(out, head, FactName::creator, fact.why.text, fact.node)) return;
  out.member("account", fact.account);
  out.member("created", fact.created);
  out.member("listed", fact.listed);
}

// How the measured verdict took a registry row it could not read.
constexpr std::string_view registry_unread_counted_as =
    "no blacklisted registry row: bit 9 of the measured verdict not set";

void write_symbol_elsewhere(JsonObject& facts, const FactHead& head,
                            const SymbolElsewhereFact& fact) {
  JsonObject out = facts.object("symbol_elsewhere");
  const Unread unread{fact.why.text,
                      fact.partly
                          ? registry_unread_counted_as
                          : counted_as(FactName::symbol_elsewhere, false, head.evidence.subject),
                      fact.partly};
  if (!write_fact_head(out, head, FactName::symbol_elsewhere, unread, fact.node) && !fact.partly) {
    return;
  }
  out.member("symbol", fact.symbol);
  if (fact.known) {
    JsonObject known = out.object("known");
    known.member("contract", fact.known->contract);
    known.member("symbol", fact.known->symbol);
    known.member("this", fact.known->is_this);
  } else {
    out.member("known", std::nullopt);
  }
  out.member("borrows", fact.borrows);
  if (fact.registry) {
    JsonObject registry = out.object("registry");
    registry.member("listed", fact.registry->listed);
    registry.member("name", nonempty(fact.registry->name));
    registry.member("blisted", fact.registry->blisted);
  } else {
    out.member("registry", std::nullopt);
  }
  out.member("market_contracts", fact.market_contracts);
}

void write_facts(JsonObject& answer, const TokenEvidence& evidence) {
  JsonObject facts = answer.object("facts");
  const FactHead head{.evidence = evidence};
  write_permissions(facts, head, evidence.scan.permissions);
  write_market(facts, head, evidence.scan.market);
  write_creation(facts, head, evidence.scan.creation);
  write_prior_rug(facts, head, evidence.scan.prior_rug);
  write_reputation(facts, head, evidence.scan.reputation);
  write_supply(facts, head, evidence.supply);
  write_holders(facts, head, evidence.holders);
  write_activity(facts, head, evidence.scan.activity);
  write_code(facts, head, evidence.code);
  write_issuer(facts, head, evidence.issuer);
  write_creator(facts, head, evidence.creator);
  write_symbol_elsewhere(facts, head, evidence.symbol_elsewhere);
}

std::string_view subject_name(Subject subject) {
  switch (subject) {
    case Subject::contract: return "contract";
    case Subject::issuer: return "issuer";
    case Subject::both: return "both";
  }
  return {};
}

}  // namespace

std::string evidence_json(std::string_view token, std::string_view node,
                          const TokenEvidence& evidence) {
  std::string out;
  out.reserve(4096);
  {
    JsonObject answer(out);
    write_token_head(answer, evidence_format_version, token);
    answer.member("symbol", evidence.symbol);
    answer.member("shared", evidence.shared);
    answer.member("subject", subject_name(evidence.subject));
    answer.member("shared_counted_as",
                  shared_counted_as(evidence.shared, evidence.shared_counted_as));
    write_scan_verdict(answer, evidence.verdict);
    write_measured_verdict(answer, evidence);
    write_facts(answer, evidence);
    answer.member("node", node);
  }
  return out;
}

std::string evidence_no_data_json(std::string_view token, std::string_view node) {
  std::string out;
  {
    JsonObject answer(out);
    write_token_head(answer, evidence_format_version, token);
    answer.member("verdict", std::nullopt);
    answer.member("measured", std::nullopt);
    answer.member("facts", std::nullopt);
    answer.member("node", node);
  }
  return out;
}

}  // namespace tarnwick

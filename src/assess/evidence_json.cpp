#include "assess/evidence_json.h"

#include <charconv>
#include <cmath>
#include <variant>

#include "assess/json_members.h"
#include "assess/renderings.h"
#include "assess/scan_record.h"
#include "common/text.h"

namespace tarnwick {
namespace {

void append_number(std::string& out, Uint128 value) { append_decimal128(out, value); }

template <class Number>
void append_optional(std::string& out, const std::optional<Number>& value) {
  if (value) {
    append_number(out, *value);
  } else {
    out += "null";
  }
}

void append_bits(std::string& out, HazardBits bits) {
  out += '[';
  bool first = true;
  for (unsigned bit = 0; bit < 16; ++bit) {
    if (!has_bit(bits, bit)) continue;
    if (!first) out += ',';
    append_number(out, bit);
    first = false;
  }
  out += ']';
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

// Opens a fact: {"status":"read" or {"status":"unavailable" or "partly","why":..,"counted_as":..,
// then "hazard_bits", "measured_bits" and "node" (null when no node answered). True when read.
bool open_fact_as(std::string& out, const FactHead& head, FactName name, std::string_view key,
                  const Unread& unread, std::string_view node) {
  append_key(out, key);
  const bool read = unread.why.empty();
  if (read) {
    out += "{\"status\":\"read\"";
  } else {
    out += unread.partly ? "{\"status\":\"partly\"" : "{\"status\":\"unavailable\"";
    append_text_member(out, "why", unread.why);
    append_text_member(out, "counted_as", unread.counted_as);
  }
  append_key(out, "hazard_bits");
  append_bits(out, head.evidence.verdict.hazard & verdict_bits_of(name));
  append_key(out, "measured_bits");
  append_bits(out, head.evidence.measured.hazard & measured_bits_in(head.evidence, name));
  append_text_or_null(out, "node", node);
  return read;
}

// open_fact_as for a fact read whole or not at all, counted as counted_as() says.
bool open_fact(std::string& out, const FactHead& head, FactName name, std::string_view key,
               std::string_view why, std::string_view node, bool market_read_failed = false) {
  const Unread unread{why, counted_as(name, market_read_failed, head.evidence.subject), false};
  return open_fact_as(out, head, name, key, unread, node);
}

// The raw reputation value as it stood: a number, a text, or null for any other kind.
void append_raw(std::string& out, const RawReputation& raw) {
  if (const auto* u = std::get_if<std::uint64_t>(&raw)) {
    append_number(out, *u);
  } else if (const auto* s = std::get_if<std::int64_t>(&raw)) {
    if (*s < 0) out += '-';
    append_number(out, *s < 0 ? Uint128{0} - static_cast<Uint128>(*s) : static_cast<Uint128>(*s));
  } else if (const auto* d = std::get_if<double>(&raw); d != nullptr && std::isfinite(*d)) {
    char digits[32];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), *d);
    out.append(std::begin(digits), written.ptr);
  } else if (const auto* text = std::get_if<std::string>(&raw)) {
    append_json_quoted(out, *text);
  } else {
    out += "null";
  }
}

void append_verdict(std::string& out, const Verdict& verdict) {
  out += "{\"level\":\"";
  out += level_name(verdict.level);
  out += "\",\"severity\":";
  append_number(out, verdict.severity);
  out += ",\"hazard\":";
  append_number(out, verdict.hazard);
}

void append_permission(std::string& out, const PermissionEntry& entry) {
  out += "{\"name\":";
  append_json_quoted(out, entry.name);
  append_text_member(out, "parent", entry.parent);
  append_key(out, "keys");
  append_number(out, entry.keys);
  append_key(out, "accounts");
  append_text_list(out, entry.accounts);
  append_bool_member(out, "privileged", entry.privileged);
}

void append_permissions(std::string& out, const FactHead& head, const PermissionsFact& fact) {
  const Unread unread{fact.why.text, permissions_counted_as(fact), fact.partly};
  if (open_fact_as(out, head, FactName::permissions, "permissions", unread, fact.node) ||
      fact.partly) {
    out += ",\"permissions\":[";
    for (std::size_t i = 0; i < fact.entries.size(); ++i) {
      if (i > 0) out += ',';
      append_permission(out, fact.entries[i]);
      out += '}';
    }
    out += "],\"code_setters\":[";
    for (std::size_t i = 0; i < fact.code_setters.size(); ++i) {
      if (i > 0) out += ',';
      append_permission(out, fact.code_setters[i].permission);
      append_text_member(out, "via", fact.code_setters[i].via);
      out += '}';
    }
    out += ']';
    append_bool_member(out, "listed_all", !fact.cut);
    append_key(out, "last_code_update");
    if (fact.last_code_update) {
      append_json_quoted(out, *fact.last_code_update);
    } else {
      out += "null";
    }
  }
  out += '}';
}

void append_side(std::string& out, std::string_view key, const MarketSide& side) {
  append_key(out, key);
  out += "{\"contract\":";
  append_json_quoted(out, side.contract);
  append_text_member(out, "symbol", side.symbol);
  out += '}';
}

void append_market(std::string& out, const FactHead& head, const MarketFact& fact) {
  if (open_fact(out, head, FactName::market, "market", fact.why.text, fact.node,
                fact.read_failed)) {
    append_key(out, "rows_read");
    append_number(out, fact.rows_read);
    append_bool_member(out, "limit_reached", fact.limit_reached);
    append_bool_member(out, "more", fact.more);
    append_key(out, "row");
    if (fact.found) {
      out += "{\"market_id\":";
      append_optional(out, fact.market_id);
      append_text_member(out, "symbol", fact.symbol);
      append_key(out, "status_code");
      append_optional(out, fact.status_code);
      append_side(out, "bid_token", fact.bid);
      append_side(out, "ask_token", fact.ask);
      out += '}';
    } else {
      out += "null";
    }
  }
  out += '}';
}

void append_creation(std::string& out, const FactHead& head, const CreationFact& fact) {
  const bool partly = !fact.why.empty() && fact.first_reply_age_days.has_value();
  const Unread unread{fact.why.text, creation_counted_as(fact), partly};
  if (open_fact_as(out, head, FactName::creation, "creation", unread, fact.node) || partly) {
    append_text_member(out, "created", partly ? *fact.first_reply_created : fact.created);
    append_key(out, "age_days");
    append_number(out, partly ? *fact.first_reply_age_days : fact.age_days);
    append_key(out, "reference_time");
    append_number(out, fact.reference_time);
  }
  out += '}';
}

void append_prior_rug(std::string& out, const FactHead& head, const PriorRugFact& fact) {
  open_fact(out, head, FactName::prior_rug, "prior_rug", "", "");
  append_bool_member(out, "listed", fact.listed);
  append_key(out, "list_size");
  append_number(out, fact.list_size);
  out += '}';
}

void append_reputation(std::string& out, const FactHead& head, const ReputationFact& fact) {
  if (open_fact(out, head, FactName::reputation, "reputation", fact.why.text, fact.node)) {
    append_text_member(out, "contract", fact.contract);
    append_key(out, "avg_score");
    if (fact.avg_score) {
      append_raw(out, *fact.avg_score);
    } else {
      out += "null";
    }
    append_key(out, "score");
    append_optional(out, fact.score);
  }
  out += '}';
}

void append_symbols(std::string& out, const SupplyFact& fact) {
  if (!fact.symbols_read) return;
  append_key(out, "symbols");
  append_text_list(out, fact.symbols);
  append_bool_member(out, "symbols_more", fact.symbols_more);
}

void append_supply(std::string& out, const FactHead& head, const SupplyFact& fact) {
  if (open_fact(out, head, FactName::supply, "supply", fact.why.text, fact.node)) {
    append_text_member(out, "symbol", fact.symbol);
    append_key(out, "precision");
    append_number(out, fact.precision);
    append_text_member(out, "supply", fact.supply);
    append_text_member(out, "max_supply", fact.max_supply);
    append_text_member(out, "issuer", fact.issuer);
    append_bool_member(out, "capped", fact.capped);
    append_bool_member(out, "over_cap", fact.over_cap);
    append_key(out, "headroom_bp");
    append_optional(out, fact.headroom_bp);
  }
  append_symbols(out, fact);
  out += '}';
}

void append_holders(std::string& out, const FactHead& head, const HoldersFact& fact) {
  if (open_fact(out, head, FactName::holders, "holders", fact.why.text, fact.node)) {
    out += ",\"holders\":[";
    for (std::size_t i = 0; i < fact.holders.size(); ++i) {
      const HolderEntry& holder = fact.holders[i];
      out += i > 0 ? ",{\"owner\":" : "{\"owner\":";
      append_json_quoted(out, holder.owner);
      append_text_member(out, "amount", holder.amount);
      append_key(out, "share_bp");
      append_optional(out, holder.share_bp);
      out += '}';
    }
    out += ']';
    append_key(out, "top10_share_bp");
    append_optional(out, fact.top_ten_bp);
    out += ",\"excluded\":[";
    for (std::size_t i = 0; i < std::size(escrow_accounts); ++i) {
      if (i > 0) out += ',';
      append_json_quoted(out, escrow_accounts[i]);
    }
    out += ']';
    append_key(out, "threshold");
    append_number(out, fact.threshold);
  }
  out += '}';
}

void append_activity(std::string& out, const FactHead& head, const ActivityFact& fact) {
  const Unread unread{fact.why.text, activity_counted_as(fact), fact.partly};
  if (open_fact_as(out, head, FactName::activity, "activity", unread, fact.node) || fact.partly) {
    append_key(out, "symbol_actions");
    append_optional(out, fact.symbol_actions);
    append_key(out, "per_hour");
    append_number(out, fact.per_hour);
    append_bool_member(out, "saturated", fact.saturated);
    out += ",\"by_name\":{";
    for (std::size_t i = 0; i < fact.by_name.size(); ++i) {
      if (i > 0) out += ',';
      append_json_quoted(out, fact.by_name[i].first);
      out += ':';
      append_number(out, fact.by_name[i].second);
    }
    out += '}';
    append_text_or_null(out, "newest", fact.newest);
    append_key(out, "threshold");
    append_number(out, fact.threshold);
  }
  out += '}';
}

void append_code(std::string& out, const FactHead& head, const CodeFact& fact) {
  if (open_fact(out, head, FactName::code, "code", fact.why.text, fact.node)) {
    append_text_member(out, "hash", fact.hash);
    append_bool_member(out, "has_code", fact.has_code);
    append_key(out, "build");
    if (fact.build) {
      append_json_quoted(out, *fact.build);
    } else {
      out += "null";
    }
  }
  out += '}';
}

void append_issuer(std::string& out, const FactHead& head, const IssuerFact& fact) {
  const bool partly = fact.why.empty() && !fact.account_why.empty();
  const Unread unread{partly ? fact.account_why.text : fact.why.text,
                      issuer_counted_as(fact, head.evidence.subject), partly};
  const bool read = open_fact_as(out, head, FactName::issuer, "issuer", unread, fact.node);
  if (read || partly) {
    append_text_member(out, "name", fact.name);
    append_bool_member(out, "is_contract", fact.is_contract);
    append_text_member(out, "created", fact.created);
    append_key(out, "age_days");
    append_optional(out, fact.age_days);
  }
  if (read) {
    append_bool_member(out, "has_code", fact.has_code);
    out += ",\"permissions\":[";
    for (std::size_t i = 0; i < fact.control.size(); ++i) {
      if (i > 0) out += ',';
      append_permission(out, fact.control[i]);
      out += '}';
    }
    out += ']';
    append_bool_member(out, "privileged", fact.privileged);
  }
  if (read || partly) append_bool_member(out, "listed", fact.listed);
  out += '}';
}

void append_creator(std::string& out, const FactHead& head, const CreatorFact& fact) {
  if (open_fact(out, head, FactName::creator, "creator", fact.why.text, fact.node)) {
    append_text_member(out, "account", fact.account);
    append_text_member(out, "created", fact.created);
    append_bool_member(out, "listed", fact.listed);
  }
  out += '}';
}

std::string_view subject_name(Subject subject) {
  switch (subject) {
    case Subject::contract: return "contract";
    case Subject::issuer: return "issuer";
    case Subject::both: return "both";
  }
  return {};
}

void append_head(std::string& out, std::string_view token) {
  out += "{\"version\":";
  append_number(out, evidence_format_version);
  append_text_member(out, "token", token);
}

}  // namespace

std::string evidence_json(std::string_view token, std::string_view node,
                          const TokenEvidence& evidence) {
  std::string out;
  out.reserve(4096);
  append_head(out, token);
  append_key(out, "symbol");
  if (evidence.symbol) {
    append_json_quoted(out, *evidence.symbol);
  } else {
    out += "null";
  }
  append_key(out, "shared");
  out += !evidence.shared ? "null" : *evidence.shared ? "true" : "false";
  append_text_member(out, "subject", subject_name(evidence.subject));
  append_key(out, "shared_counted_as");
  if (evidence.shared) {
    out += "null";
  } else {
    append_json_quoted(out, evidence.shared_counted_as);
  }
  append_key(out, "verdict");
  append_verdict(out, evidence.verdict);
  append_bool_member(out, "unverified", evidence.verdict.unverified);
  append_bool_member(out, "block", block(evidence.verdict));
  append_key(out, "rests_on");
  append_text_list(out, verdict_rests_on());
  out += '}';
  append_key(out, "measured");
  append_verdict(out, evidence.measured);
  append_bool_member(out, "block", block(evidence.measured));
  append_bool_member(out, "holders_measured", evidence.holders_measured);
  append_bool_member(out, "activity_measured", evidence.activity_measured);
  append_key(out, "rests_on");
  append_text_list(out, measured_rests_on(evidence));
  out += "},\"facts\":{";
  const std::size_t first = out.size();
  const FactHead head{.evidence = evidence};
  append_permissions(out, head, evidence.scan.permissions);
  out.erase(first, 1);  // the first fact takes no comma
  append_market(out, head, evidence.scan.market);
  append_creation(out, head, evidence.scan.creation);
  append_prior_rug(out, head, evidence.scan.prior_rug);
  append_reputation(out, head, evidence.scan.reputation);
  append_supply(out, head, evidence.supply);
  append_holders(out, head, evidence.holders);
  append_activity(out, head, evidence.scan.activity);
  append_code(out, head, evidence.code);
  append_issuer(out, head, evidence.issuer);
  append_creator(out, head, evidence.creator);
  out += '}';
  append_text_member(out, "node", node);
  out += '}';
  return out;
}

std::string evidence_no_data_json(std::string_view token, std::string_view node) {
  std::string out;
  append_head(out, token);
  out += ",\"verdict\":null,\"measured\":null,\"facts\":null";
  append_text_member(out, "node", node);
  out += '}';
  return out;
}

}  // namespace tarnwick

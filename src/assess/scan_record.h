// The verdict's own reading of a ScanRecord: the ScanOutcome every verdict is weighed from, and
// which fact each hazard bit comes from. Pure functions of the record; the one place where a
// fact that was not read is given the value the verdict takes in its place.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "assess/evidence.h"
#include "assess/hazards.h"

namespace tarnwick {

// The facts of a scan as evaluate_hazards reads them. A fact that was not read takes its unread
// value: no privileged key (unless a permission read in part shows one); depth 10000 when the
// market read failed, 0 when its reply was unusable; unknown age; no reputation score. The
// velocity is not measured here: 0.
ScanOutcome scan_outcome(const ScanRecord& record);

// The liquidity depth the market fact gives: 10000 when the read failed or the token's first
// market row has the status code 1 (exactly the non-negative integer); 0 when the reply was
// unusable, no row names the token, or its status is anything else.
std::uint16_t market_depth(const MarketFact& market);

// The facts of /evidence, each the source of the bits below.
enum class FactName {
  permissions,
  market,
  creation,
  prior_rug,
  reputation,
  supply,
  holders,
  activity,
  code,
  issuer,
  creator,
  symbol_elsewhere,
};

// The bits of /scan's hazard word that `fact` sets when they are set: market 0, permissions 3,
// creation 4, prior_rug 5, reputation 6 and 7; none for the others. Every bit a scan can set
// belongs to exactly one fact.
HazardBits verdict_bits_of(FactName fact);

// The bits of the measured hazard word that `fact` sets: those of verdict_bits_of, and holders 1,
// activity 2, symbol_elsewhere 8 and 9.
HazardBits measured_bits_of(FactName fact);

// The bits of the measured hazard word that `fact` can set for `subject`. For the contract,
// those of measured_bits_of; for an issuer, bit 0 stays the market's (its row for the symbol),
// bit 4 is the issuer's age (the creation's when the issuer is the contract), and bit 5 may come
// from prior_rug, issuer and creator; for both, the bits of either.
HazardBits measured_bits_possible(Subject subject, bool issuer_is_contract, FactName fact);

// The bits of the measured hazard word of `evidence` that `fact` sets: measured_bits_possible,
// with bit 5 only for each of prior_rug, issuer and creator that is listed.
HazardBits measured_bits_in(const TokenEvidence& evidence, FactName fact);

// The name of a fact as /evidence writes it ("permissions", "prior_rug", ...).
std::string_view fact_key(FactName fact);
// The name that stands for the contract's symbol list among the facts a verdict rests on.
inline constexpr std::string_view symbol_list_key = "symbols";

// The facts whose reading can set a bit of /scan's verdict, by fact_key.
std::vector<std::string_view> verdict_rests_on();
// The facts whose reading can set a bit of the measured verdict for the subject of `evidence`,
// and symbol_list_key last: the symbol list decides whose facts are judged.
std::vector<std::string_view> measured_rests_on(const TokenEvidence& evidence);

// The hazard word of the measured verdict with the measures taken: for the contract, the scan's
// outcome with the two measures (the rate of activity read whole or in part; the age from the
// first account reply when the creation read is unavailable); for an issuer, that outcome with
// bit 0 from the market row that names the symbol, the issuer's age and the three prior-rug
// listings (see measured_bits_in); for both, the bits of either. `token`: the contract, whose
// side of a market row carries the symbol.
HazardBits measured_word(const TokenEvidence& evidence, std::string_view token,
                         const ScanThresholds& thresholds);

// For a fact that was not read: what the verdicts took in its place, in plain words that follow
// "counted as". `market_read_failed` tells the market's two cases apart; `subject` says whether
// the issuer and the creator count in the measured verdict.
std::string_view counted_as(FactName fact, bool market_read_failed,
                            Subject subject = Subject::contract);

// Whether the unread market counted as depth 10000 (read failed) or 0 (reply unusable).
std::string_view market_counted_as(const MarketFact& market);

// For permissions not read whole: no privileged key (counted_as) unless an entry read shows one.
std::string_view permissions_counted_as(const PermissionsFact& permissions);

// For activity not read whole: counted_as when unavailable; read in part, the actions whose time
// was not read count as outside the hour.
std::string_view activity_counted_as(const ActivityFact& activity);

// For an unavailable creation: counted_as, or, when the first account reply gave the created
// time, that the measured verdict took it.
std::string_view creation_counted_as(const CreationFact& creation);

// For an issuer unavailable or partly read: what the verdicts took in place of what is unread.
std::string_view issuer_counted_as(const IssuerFact& issuer, Subject subject);

}  // namespace tarnwick

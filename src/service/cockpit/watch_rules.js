// The watchlist's rules, pure: what an entry keeps of an answer (snapshot), what counts as a change
// and what as a partly read check (compare, record), the amounts pooled and their halving, and
// which stored lists are used. No element, no storage, no clock, no request: the watchlist passes
// in what it read and the time. Uses: valid, Page.
"use strict";
const WatchRules = (function () {
var plain = Page.plain, isText = Page.isText, isNumber = Page.isNumber, validSymbol = Page.validSymbol;
var percent = Page.percent, count = Page.count, listed = Page.listed;
var MAX = 50;          // tokens on the list
var CHANGES_KEPT = 5;  // changes kept per token, the latest first

// A fact's fields when it was read whole, else null: a fact read only in part counts as unread.
function fact(e, name) {
  var f = e.facts && e.facts[name];
  return f && f.status === "read" ? f : null;
}
// A value fit to keep: a string or a finite number; anything else counts as not read.
function kept(v) {
  return typeof v === "string" || (typeof v === "number" && isFinite(v)) ? v : null;
}

// How one fact stood in an answer: "read", or "unread, " and how the verdict counted it.
// "symbols", the contract's list of symbols, is no member of `facts`: it was read when `shared`
// says whether the contract holds several tokens.
function factState(e, name) {
  if (name === "symbols") return e.shared === true || e.shared === false ? "read" : "unread, " + plain(e.shared_counted_as);
  var f = e.facts && e.facts[name];
  return f && f.status === "read" ? "read" : "unread, " + plain(f && (f.counted_as || f.why));
}

// How each of `names` stood in an answer, kept beside a value that rests on them.
function readStates(e, names) {
  return names.map(function (n) { return n + "=" + factState(e, n); }).join("; ");
}

// The facts whose reading can set a verdict's bits, as the answer names them for its subject. An
// answer that does not name them is not evidence a verdict can be compared by.
function restsOn(v) {
  if (!v || !Array.isArray(v.rests_on) || !v.rests_on.every(isText)) throw new Error("no rests_on");
  return v.rests_on;
}

// The facts among `names` that an answer did not read and that did not stand that same way in
// `states` (readStates of the answer the kept value came from), each named with why.
function unreadFacts(e, names, states) {
  var before = "; " + states + "; ";
  return names.filter(function (n) {
    return factState(e, n) !== "read" && before.indexOf("; " + n + "=" + factState(e, n) + "; ") < 0;
  }).map(function (n) {
    var f = n === "symbols" ? null : e.facts && e.facts[n];
    return (n === "symbols" ? "the list of symbols" : n.replace("_", " ")) + (f && f.why ? " (" + plain(f.why) + ")" : "");
  });
}

// What a check compares, in the order it is told. `step`: a number that must move at least this
// far from the value last reported. `rests`: the verdict whose `rests_on` the value rests on.
// `fact` and `unread`: the one fact the value is read from, and what the verdict counted in its
// place while it was unread.
var WATCHED = [
  { key: "level", what: "Level", rests: function (e) { return e.verdict; }, read: function (e) { return e.verdict.level; } },
  { key: "hazard", what: "Hazard", rests: function (e) { return e.verdict; }, read: function (e) { return e.verdict.hazard; } },
  { key: "measured", what: "Measured verdict", rests: function (e) { return e.measured; }, read: function (e) {
    var m = e.measured;
    return m ? plain(m.level) + ", severity " + plain(m.severity) : null;
  } },
  { key: "privileged", what: "Privileged permissions", fact: "permissions", unread: "none", read: function (e) {
    var p = fact(e, "permissions");
    if (!p) return null;
    var names = (p.permissions || []).filter(function (x) { return x.privileged; }).map(function (x) {
      return plain(x.name) + " (" + count(x.keys, "key", "keys") +
        ((x.accounts || []).length ? ", " + x.accounts.join(", ") : "") + ")";
    });
    return names.length ? names.join("; ") : "none";
  } },
  { key: "market", what: "Market status", read: function (e) {
    var m = fact(e, "market");
    return !m ? null : m.row ? plain(m.row.status_code) : "no market";
  } },
  { key: "supply", what: "Supply", read: function (e) { var s = fact(e, "supply"); return s && s.supply; } },
  { key: "max_supply", what: "Max supply", read: function (e) { var s = fact(e, "supply"); return s && s.max_supply; } },
  { key: "top10", what: "Top 10 holders' share", step: 500, show: percent,
    read: function (e) { var h = fact(e, "holders"); return h && h.top10_share_bp; } },
  { key: "code", what: "Code hash", read: function (e) { var c = fact(e, "code"); return c && c.hash; } },
];

// The compared values of an evidence answer that has a verdict, and beside each value that rests
// on facts how they stood (under the key with "@" added). Without facts (a verdict shown before
// its evidence arrived) no states are kept: the entry has not been checked yet.
function snapshot(e) {
  var base = {};
  WATCHED.forEach(function (w) {
    base[w.key] = kept(w.read(e));
    if (!e.facts) return;
    if (w.rests && w.rests(e)) base[w.key + "@"] = readStates(e, restsOn(w.rests(e)));
    if (w.fact) base[w.key + "@"] = readStates(e, [w.fact]);
  });
  return base;
}

// Compares an answer with the values kept for an entry and moves the kept values on; returns the
// changes, the facts that kept a verdict from being compared, and those verdicts. A verdict is
// compared when every fact it rests on was read, or unread and counted as when the kept one was
// read; otherwise the check read it in part, and it is neither compared nor kept, so the next
// whole read is compared with the last one compared. A kept verdict with no record of its facts
// (added before its evidence arrived, or kept by an earlier page) takes the new one without a
// change. A value not read now keeps the last one read, to compare with next time; a value read
// for the first time is no change, unless its fact was unread before and the verdict counted it
// as `unread` (no privileged key): then it is compared with that.
function compare(base, next, e) {
  var changes = [], unread = [], skipped = [];
  WATCHED.forEach(function (w) {
    var was = base[w.key], now = next[w.key], states = base[w.key + "@"];
    if (now === null) return;
    if (w.rests && states !== undefined) {
      var missing = unreadFacts(e, restsOn(w.rests(e)), states);
      if (missing.length) {
        missing.forEach(function (m) { if (unread.indexOf(m) < 0) unread.push(m); });
        skipped.push(w.what.toLowerCase());
        return;
      }
    }
    var from = was === null && w.fact && isText(states) && states !== w.fact + "=read" ? w.unread : was;
    var same = from !== null && (w.step ? Math.abs(now - from) < w.step : now === from);
    if (same && w.step) return;
    if (from !== null && !same && !(w.rests && states === undefined)) {
      var show = w.show || plain;
      changes.push({ what: w.what, from: was === null ? "not read" : show(was), to: show(now) });
    }
    base[w.key] = now;
    if (next[w.key + "@"] === undefined) delete base[w.key + "@"];
    else base[w.key + "@"] = next[w.key + "@"];
  });
  return { changes: changes, unread: unread, skipped: skipped };
}

// Per venue read, the amounts pooled: the token's and each pair token's, each summed over the
// venue's pools and keyed by "contract SYMBOL" (amounts of different tokens never add up). An
// amount the venue does not state is left out; a venue not read is absent, never zero.
function pooled(q, token) {
  var out = {};
  if (!q || typeof q !== "object" || !Array.isArray(q.venues)) return out;
  q.venues.forEach(function (v) {
    if (!v || v.status !== "read" || !isText(v.venue) || !Array.isArray(v.pools) || v.venue in out) return;
    var sums = Object.create(null);
    function add(contract, amount) {
      var m = isText(amount) && isText(contract) && valid(contract) ? /^(\d+(?:\.\d+)?) ([A-Z]{1,7})$/.exec(amount) : null;
      if (!m) return;
      var key = contract + " " + m[2];
      sums[key] = (sums[key] || 0) + Number(m[1]);
    }
    v.pools.forEach(function (p) {
      if (!p || typeof p !== "object") return;
      add(token, p.token_amount);
      add(p.pair && p.pair.contract, p.pair_amount);
    });
    out[v.venue] = Object.assign({}, sums);
  });
  return out;
}

function amountShown(n, key) {
  return String(Number(n.toFixed(8))) + " " + key.slice(key.indexOf(" ") + 1);
}

// Liquidity pulled: an amount pooled on a venue read in both checks that fell by half or more (a
// pool gone counts as nothing left). A venue not read now keeps its last amounts, to compare with
// the next check that reads it.
function comparePools(kept, now) {
  var changes = [];
  Object.keys(now).forEach(function (venue) {
    var was = kept[venue];
    if (was) {
      Object.keys(was).forEach(function (key) {
        var before = was[key], after = now[venue][key] || 0;
        if (before > 0 && after * 2 <= before) {
          changes.push({ what: "Liquidity pulled on " + venue, from: amountShown(before, key), to: amountShown(after, key) });
        }
      });
    }
    kept[venue] = now[venue];
  });
  return changes;
}

function isValue(v) { return v === null || isText(v) || isNumber(v); }

// A stored list is used only when every part of it has the shape this page writes; anything
// else (another program's value, an edited or cut one) is thrown away whole.
function watchValid(d) {
  if (!d || typeof d !== "object" || d.version !== 1 || !Array.isArray(d.tokens) ||
      d.tokens.length > MAX) return false;
  var seen = Object.create(null);
  return d.tokens.every(function (t) {
    var ok = !!t && typeof t === "object" && isText(t.token) && valid(t.token) &&
      (t.symbol == null || (isText(t.symbol) && validSymbol(t.symbol))) && !seen[entryKey(t.token, t.symbol)] &&
      (t.pools === undefined || poolsValid(t.pools)) &&
      isNumber(t.checked) && isValue(t.level) && (t.severity === null || isNumber(t.severity)) &&
      (t.failed === null || isText(t.failed)) && (t.partly === undefined || t.partly === null || isText(t.partly)) &&
      !!t.base && typeof t.base === "object" &&
      WATCHED.every(function (w) {
        var states = t.base[w.key + "@"];
        return isValue(t.base[w.key]) && (states === undefined || isText(states));
      }) &&
      Array.isArray(t.changes) && t.changes.length <= CHANGES_KEPT && t.changes.every(function (c) {
        return !!c && isNumber(c.at) && isText(c.what) && isText(c.from) && isText(c.to);
      });
    seen[entryKey(t.token, t.symbol)] = true;
    return ok;
  });
}

// Kept pooled amounts: per venue name, amounts by "contract SYMBOL", each a number not below 0.
function poolsValid(p) {
  function plainObject(o) { return !!o && typeof o === "object" && !Array.isArray(o); }
  if (!plainObject(p) || Object.keys(p).length > 16) return false;
  return Object.keys(p).every(function (venue) {
    var sums = p[venue];
    return plainObject(sums) && Object.keys(sums).length <= 200 && Object.keys(sums).every(function (k) {
      return /^[a-z1-5.]{1,12} [A-Z]{1,7}$/.test(k) && isNumber(sums[k]) && sums[k] >= 0;
    });
  });
}

// An entry is a contract, or one symbol of it: the same contract with two symbols is two entries.
function entryKey(token, symbol) { return token + " " + (symbol || ""); }
function entryName(token, symbol) { return (symbol ? symbol + " on @" : "@") + token; }

// A new entry for the verdict shown (`o`: token, symbol, level, severity, hazard) with the
// evidence and liquidity answers shown for it, or null when none are. Without its evidence the
// entry keeps the verdict shown, has not been checked yet and adopts its first check.
function entry(o, e, q, at) {
  var base = null;
  try { base = e && e.verdict ? snapshot(e) : null; } catch (err) { /* not evidence to compare by */ }
  if (!base) base = snapshot({ verdict: { level: o.level, hazard: o.hazard } });
  return { token: o.token, symbol: o.symbol || null, checked: at, level: kept(o.level),
    severity: isNumber(o.severity) ? o.severity : null, failed: null, partly: null, base: base,
    pools: pooled(q, o.token), changes: [] };
}

// Whether an entry's verdict has never been checked with its facts.
function unchecked(t) { return t.failed === null && t.base["level@"] === undefined; }

// One check recorded in its entry at time `at`: `failed` says why it brought no verdict, or `e` is
// the evidence answer, `next` its snapshot and `pools` the amounts pooled it read. A partly read
// verdict is not shown either: the entry keeps the level last compared. Returns the changes.
function record(t, at, failed, e, next, pools) {
  t.checked = at;
  t.failed = failed;
  if (failed) return [];
  var result = compare(t.base, next, e);
  t.partly = result.unread.length ? result.unread.join(", ") + ". The " + listed(result.skipped) +
    (result.skipped.length > 1 ? " were" : " was") + " not compared" : null;
  if (result.skipped.indexOf("level") < 0) {
    t.level = kept(e.verdict.level);
    t.severity = isNumber(e.verdict.severity) ? e.verdict.severity : null;
  }
  t.pools = t.pools || {};
  var changes = result.changes.concat(comparePools(t.pools, pools));
  changes.forEach(function (c) { c.at = at; });
  t.changes = changes.concat(t.changes).slice(0, CHANGES_KEPT);
  return changes;
}

return { MAX: MAX, snapshot: snapshot, pooled: pooled, listValid: watchValid, entryKey: entryKey, entryName: entryName,
  entry: entry, unchecked: unchecked, record: record };
})();

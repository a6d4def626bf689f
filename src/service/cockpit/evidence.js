// Evidence panel: after a verdict is shown, the page asks /evidence for the same token and shows
// the facts behind the verdict, under a banner when the token borrows the symbol of another
// contract's known token. Only the answer for the latest scan is shown: each scan takes a
// new number and an answer carrying an older one is dropped. A slow or failed answer leaves the
// verdict as it is and says so in the panel. Uses: Page.
"use strict";
const Evidence = (function () {
var plain = Page.plain, isText = Page.isText, validSymbol = Page.validSymbol, percent = Page.percent, count = Page.count;
var listed = Page.listed;
var shown = null;  // the answer shown, { token, symbol, answer }

// The panel's rows, [mark, text] each, in plain words; the mark is "read", "partly" or
// "unavailable". A fact not read, or read only in part, says why and how the verdict counted what
// it did not read, and a partly read fact then shows what it did read; a fact that set hazard bits
// names them. `token`: the contract the answer is about.
function factRows(f, symbol, token) {
  var rows = [];
  function bitsText(fact) {
    var b = (fact.hazard_bits || []).length ? fact.hazard_bits : fact.measured_bits || [];
    if (!b.length) return "";
    var measured = !(fact.hazard_bits || []).length;
    return " · sets " + (b.length === 1 ? "bit " : "bits ") + b.join(" and ") + (measured ? " of the measured verdict" : "");
  }
  function gap(fact) {
    return (fact.why ? " — " + plain(fact.why) : "") + (fact.counted_as ? ". Not read: counted as " + plain(fact.counted_as) : "") +
      bitsText(fact);
  }
  function add(fact, label, words) {
    if (!fact || (fact.status !== "read" && fact.status !== "partly")) {
      rows.push(["unavailable", label + ": unavailable" + (fact ? gap(fact) : "")]);
      return;
    }
    var w = [].concat(words(fact));
    if (fact.status === "partly") rows.push(["partly", label + ": partly read" + gap(fact)]);
    else w[0] += bitsText(fact);
    w.forEach(function (t) { rows.push(["read", t]); });
  }
  function who(p) {
    var accounts = p.accounts || [], out = [];
    if (p.keys > 0 || !accounts.length) out.push(count(p.keys, "key", "keys"));
    if (accounts.length) out.push(count(accounts.length, "account", "accounts") + " (" + accounts.join(", ") + ")");
    return out.join(" and ");
  }
  add(f.permissions, "Permissions", function (x) {
    var out = (x.permissions || []).map(function (p) {
      return who(p) + (p.keys + (p.accounts || []).length === 1 ? " controls" : " control") +
        " the " + plain(p.name) + " permission" + (p.privileged ? " — privileged" : "");
    });
    if (!out.length) out.push("No owner or active permission listed");
    (x.code_setters || []).forEach(function (p) {
      out.push("The " + plain(p.name) + " permission (" + who(p) + ") can set the contract's code — " + plain(p.via));
    });
    if (x.listed_all === false) out.push("The account has more permissions than are listed here");
    if (x.last_code_update != null) out.push("Contract code last set " + plain(x.last_code_update));
    return out;
  });
  add(f.market, "Market", function (x) {
    var read = count(x.rows_read, "market", "markets") + " read" + (x.more === true ? ", more markets exist than were read" :
      x.limit_reached ? ", the most read at once" : "");
    if (!x.row) return "No market on the exchange names the token (" + read + ")";
    return "Market " + plain(x.row.market_id) + " (" + plain(x.row.symbol) + "), status " + plain(x.row.status_code) + " (" + read + ")";
  });
  add(f.creation, "Creation", function (x) {
    return "Created " + (x.age_days === 0 ? "today" : count(x.age_days, "day", "days") + " ago") + " (" + plain(x.created) + ")";
  });
  add(f.prior_rug, "Prior rugs", function (x) {
    return (x.listed ? "On" : "Not on") + " your prior-rug list (" + count(x.list_size, "name", "names") + ")";
  });
  add(f.reputation, "Reputation", function (x) {
    return x.score == null ? "No bot reputation score for the token in " + plain(x.contract)
      : "Bot reputation score " + x.score + " of 100 (" + plain(x.contract) + ")";
  });
  add(f.supply, "Supply", function (x) {
    var words = !x.capped ? "Supply is uncapped: the issuer can mint any amount (" + plain(x.supply) + " now)"
      : x.over_cap ? "Supply " + plain(x.supply) + " is above its recorded cap of " + plain(x.max_supply)
      : x.headroom_bp == null ? "No supply issued yet, capped at " + plain(x.max_supply)
      : "Supply " + plain(x.supply) + " of at most " + plain(x.max_supply);
    return words + (x.issuer ? " · issuer " + plain(x.issuer) : "");
  });
  add(f.holders, "Holders", function (x) {
    if (x.top10_share_bp == null) return "Top holders read, but the supply is zero";
    return "Top 10 hold " + percent(x.top10_share_bp) + " of supply (threshold " + percent(x.threshold) + ")";
  });
  add(f.activity, "Activity", function (x) {
    var out = [(x.saturated ? "At least " : "") + count(x.per_hour, "action", "actions") +
      " of the token's contract in the last hour (threshold " + x.threshold + ")"];
    if (x.symbol_actions != null) {
      out.push(x.symbol_actions + " of the actions read " + (x.symbol_actions === 1 ? "was " : "were ") +
        (symbol ? plain(symbol) + "'s" : "the symbol's"));
    }
    return out;
  });
  add(f.code, "Code", function (x) {
    if (!x.has_code) return "No contract code";
    return x.build ? "Standard token contract code (" + plain(x.build) + " build)" : "Custom contract code";
  });
  add(f.issuer, "Issuer", function (x) {
    if (x.is_contract) return "Issued by the contract itself: its facts are those above";
    var out = ["Issued by " + plain(x.name) + (x.created == null ? "" : ", created " +
      (x.age_days == null ? plain(x.created) + " (age not known)" :
        (x.age_days === 0 ? "today" : count(x.age_days, "day", "days") + " ago") + " (" + plain(x.created) + ")"))];
    if (x.has_code) out.push("Issued by a contract: " + plain(x.name) + " has contract code and issues for others, so the person behind the token is found elsewhere");
    (x.permissions || []).forEach(function (p) {
      out.push(who(p) + (p.keys + (p.accounts || []).length === 1 ? " controls" : " control") +
        " the issuer's " + plain(p.name) + " permission" + (p.privileged ? " — privileged" : ""));
    });
    out.push("The issuer is " + (x.listed ? "on" : "not on") + " your prior-rug list");
    return out;
  });
  add(f.creator, "Creator", function (x) {
    return "Contract account created by " + plain(x.account) + " on " + plain(x.created) + ", " +
      (x.listed ? "on" : "not on") + " your prior-rug list";
  });
  add(f.symbol_elsewhere, "Symbol", function (x) {
    var k = x.known && typeof x.known === "object" ? x.known : null, sym = plain(x.symbol), r = x.registry;
    var out = [!k ? "No known token of the network carries " + sym + " or a symbol like it" :
      (k.symbol === x.symbol ? "Symbol " + sym + " is" : "Symbol " + sym + " looks like " + plain(k.symbol) + ",") +
      " the network's own token on " + plain(k.contract) + (k.this === true ? " — this contract is it" : " — this contract is not it")];
    if (r && typeof r === "object") {
      out.push(!r.listed ? "Registry: not listed" : "Registry: listed" + (r.name == null ? " without a name" : " as \"" + plain(r.name) + "\"") +
        (r.blisted === true ? " — blacklisted" : ""));
    }
    if (Array.isArray(x.market_contracts)) {
      var others = x.market_contracts.filter(function (c) { return c !== token; }).map(plain);
      out.push(others.length ? "Other contracts in the exchange's markets carrying " + sym + ": " + listed(others) :
        "No other contract in the exchange's markets carries " + sym);
    }
    return out;
  });
  return rows;
}

// The bars: top holders' shares against the threshold line, and supply against max supply.
function bars(f) {
  var h = f.holders, hb = $("evholdersbar");
  hb.textContent = "";
  $("evholders").hidden = !(h && h.status === "read" && h.top10_share_bp != null);
  if (!$("evholders").hidden) {
    var skip = h.excluded || [];
    (h.holders || []).filter(function (x) { return skip.indexOf(x.owner) < 0 && x.share_bp != null; })
      .slice(0, 10).forEach(function (x) {
        var seg = document.createElement("i");
        seg.style.width = Math.min(x.share_bp, 10000) / 100 + "%";
        seg.title = plain(x.owner) + " " + percent(x.share_bp);
        hb.appendChild(seg);
      });
    var line = document.createElement("b");
    line.style.left = h.threshold / 100 + "%";
    hb.appendChild(line);
    $("evholderslabel").textContent = "Top 10 holders: " + percent(h.top10_share_bp) + " of supply; the white line is " + percent(h.threshold);
  }
  var s = f.supply, sb = $("evsupplybar");
  sb.textContent = "";
  $("evsupply").hidden = !(s && s.status === "read");
  if (!$("evsupply").hidden) {
    sb.hidden = !(s.capped && s.headroom_bp != null);
    if (!sb.hidden) {
      var fill = document.createElement("i");
      fill.className = "fill";
      fill.style.width = (s.over_cap ? 100 : 1e6 / (10000 + s.headroom_bp)) + "%";
      sb.appendChild(fill);
    }
    $("evsupplylabel").textContent = !s.capped ? "Supply: no cap in effect" :
      s.over_cap ? "Supply is above its recorded cap" :
      s.headroom_bp == null ? "Supply: none issued yet against a cap of " + plain(s.max_supply) :
      "Supply against max supply: " + percent(1e8 / (10000 + s.headroom_bp)) + " of the cap issued";
  }
}

// Shows the banner over the panel when the token carries the symbol of another contract's known
// token; load() hides it, so any other answer, a fact not read included, leaves it hidden.
function borrowBanner(x) {
  if (!x || (x.status !== "read" && x.status !== "partly") || x.borrows !== true) return;
  var k = x.known && typeof x.known === "object" ? x.known : {};
  $("evborrow").textContent = "Not the " + plain(isText(k.symbol) ? k.symbol : x.symbol) + " most people mean" +
    (isText(k.contract) ? ": that one is on " + k.contract : "") + ".";
  $("evborrow").hidden = false;
}

function sameVerdict(a, b) {
  return !!a && !!b && a.level === b.level && a.severity === b.severity && a.hazard === b.hazard &&
    a.unverified === b.unverified && a.block === b.block;
}

// The token the panel is about, and for a contract of several tokens the symbols to pick from:
// "XBTC on xtokens", whose issuer the measured verdict judges, or a plain word that the panel is
// about the factory contract until a symbol is picked; when the contract's symbols could not be
// read, how that was taken. `asked`: the symbol the scan asked for; `pick(code)` shows another.
function showSubject(e, asked, pick) {
  var s = e.facts && e.facts.supply, symbols = s && Array.isArray(s.symbols) ? s.symbols : [];
  var more = !!(s && s.symbols_more === true), box = $("evsymbols");
  box.textContent = "";
  $("evsubject").textContent = isText(e.symbol) ? e.symbol + " on " + plain(e.token) : "";
  var about = "";
  if (isText(e.symbol) && e.subject === "issuer") {
    var i = e.facts && e.facts.issuer, name = i && (i.status === "read" || i.status === "partly") && !i.is_contract ?
      ", " + plain(i.name) : "";
    about = "This contract holds several tokens: the measured verdict judges " + e.symbol + " by its issuer" + name +
      " (its age and the prior-rug list), while who can set the contract's code still counts.";
  } else if (e.shared === null) {
    about = "The contract's list of symbols could not be read: counted as " + plain(e.shared_counted_as) + ".";
  } else if (!isText(e.symbol) && e.shared === true) {
    about = "This contract holds several tokens, so this panel is about the factory contract, not one token. " +
      "Pick a symbol to see the token's own facts" + (more ? " (the list is cut at 100: type any other in the symbol field)" : "") + ".";
  }
  $("evabout").textContent = about;
  if (asked || !(symbols.length > 1 || more)) return;
  symbols.forEach(function (code) {
    if (!validSymbol(code)) return;
    var b = document.createElement("button");
    b.type = "button";
    b.className = "btn2";
    b.textContent = code;
    b.addEventListener("click", function () { pick(code); });
    box.appendChild(b);
  });
}

function showEvidence(shown, e, asked, pick) {
  var list = $("evfacts");
  list.textContent = "";
  $("evholders").hidden = true;
  $("evsupply").hidden = true;
  $("evmeasured").textContent = "";
  if (!e.verdict || !e.facts) {
    $("evstate").textContent = "No evidence: the token's account could not be read.";
    return;
  }
  showSubject(e, asked, pick);
  borrowBanner(e.facts.symbol_elsewhere);
  $("evstate").textContent = sameVerdict(shown, e.verdict) ? "" :
    "The chain changed between the verdict above and this evidence: scan again to see both from one moment.";
  var m = e.measured;
  if (m) {
    var what = m.holders_measured && m.activity_measured ? "holders and activity" :
      m.holders_measured ? "holders" : m.activity_measured ? "activity" : "";
    $("evmeasured").textContent = (what ? "With " + what + " measured" : "Neither holders nor activity could be measured") +
      ": severity " + m.severity + " · " + plain(m.level);
  }
  factRows(e.facts, e.symbol, e.token).forEach(function (r) {
    var li = document.createElement("li"), mark = document.createElement("span"), text = document.createElement("span");
    mark.className = r[0] === "read" ? "mark" : r[0] === "partly" ? "mark part" : "mark no";
    mark.textContent = r[0];
    text.textContent = r[1];
    li.appendChild(mark);
    li.appendChild(text);
    list.appendChild(li);
  });
  bars(e.facts);
}

// Asks /evidence for a token as the scan numbered `number` asked it, and shows the answer beside
// the verdict `verdict` unless a later scan has begun; resolves when the answer is in or failed.
async function load(t, sym, verdict, number, pick) {
  var panel = $("ev"), slow = setTimeout(function () {
    if (Page.isLatest(number)) $("evstate").textContent = "The evidence is slow to come; the verdict above stands.";
  }, 15000);
  panel.hidden = false;
  $("evstate").textContent = "Reading the evidence…";
  ["evmeasured", "evfacts", "evsubject", "evabout", "evsymbols"].forEach(function (id) { $(id).textContent = ""; });
  $("evholders").hidden = true;
  $("evsupply").hidden = true;
  $("evborrow").hidden = true;
  shown = null;
  try {
    var e = JSON.parse(await Page.ask("/evidence" + Page.tokenQuery(t, sym)));
    if (!Page.isLatest(number)) return;
    if (e === null || typeof e !== "object" || e.version !== 1) throw new Error("not an evidence answer");
    showEvidence(verdict, e, sym, pick);
    shown = { token: t, symbol: sym, answer: e };
  } catch (err) {
    if (Page.isLatest(number)) $("evstate").textContent = "Couldn't read the evidence; the verdict above stands.";
  } finally {
    clearTimeout(slow);
  }
}

return { load: load, shown: function () { return shown; } };
})();

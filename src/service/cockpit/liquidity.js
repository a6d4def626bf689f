// Liquidity panel: after the evidence, the token's pools on the AMM venues, each venue with how
// it was read. A venue not read says why and is never shown as empty; "no pool found" is said only
// when every venue was read. As with the evidence, an answer for an earlier scan is dropped.
// Uses: Page.
"use strict";
const Liquidity = (function () {
var plain = Page.plain, isNumber = Page.isNumber, percent = Page.percent, count = Page.count, addLine = Page.addLine;
var SHARES = [["locked", "locked"], ["burned", "burned"], ["withdrawable", "withdrawable"],
  ["curve", "held by a launch curve"], ["unknown", "unknown"]];
var shown = null;  // the answer shown, { token, symbol, answer }

function showPool(li, p) {
  var pair = p.pair || {};
  addLine(li, "p", "", "Pool " + plain(p.lt_symbol != null ? p.lt_symbol : p.id) + ": " +
    (p.token_amount == null ? "token amount not stated" : plain(p.token_amount)) + " with " +
    (p.pair_amount == null ? "pair amount not stated" : plain(p.pair_amount)) +
    " (" + plain(pair.symbol) + " of " + plain(pair.contract) + ")" + (p.active === false ? " · not active" : ""));
  var sh = p.shares && typeof p.shares === "object" ? p.shares : { unknown: 10000 };
  var bar = addLine(li, "div", "bar shares", ""), words = [];
  SHARES.forEach(function (k) {
    var bp = isNumber(sh[k[0]]) ? Math.max(0, Math.min(sh[k[0]], 10000)) : 0;
    if (!bp) return;
    var seg = addLine(bar, "i", "sh-" + k[0], "");
    seg.style.width = bp / 100 + "%";
    seg.title = k[1] + " " + percent(bp);
    words.push(k[1] + " " + percent(bp));
  });
  addLine(li, "div", "barlabel", (words.length ? words.join(" · ") : "shares not stated") +
    (p.earliest_unlock ? " · first unlock " + plain(p.earliest_unlock) + " UTC" :
      p.unlock_without_end === true ? " · locked with no end date" : "") +
    (isNumber(p.positions_read) ? " · " + count(p.positions_read, "position", "positions") + " read" : ""));
  if (p.note != null) addLine(li, "p", "", plain(p.note));
}

function showLiquidity(q) {
  var ul = $("lqvenues"), venues = Array.isArray(q.venues) ? q.venues.filter(function (v) { return v && typeof v === "object"; }) : [];
  ul.textContent = "";
  var allRead = venues.length > 0 && venues.every(function (v) { return v.status === "read"; });
  var pools = 0;
  venues.forEach(function (v) {
    var li = document.createElement("li"), head = addLine(li, "div", "", ""), list = Array.isArray(v.pools) ? v.pools : [];
    var read = v.status === "read";
    addLine(head, "span", read ? "mark" : "mark no", read ? "read" : v.status === "capped" ? "capped" : "unavailable");
    addLine(head, "span", "vname", " " + plain(v.venue));
    if (v.status === "capped") addLine(li, "p", "", "Read in part (" + plain(v.why) + "): it may hold pools not listed here.");
    else if (!read) addLine(li, "p", "", "Not read — " + plain(v.why) + ". Its pools are not known.");
    else if (!list.length) addLine(li, "p", "", "No pool of the token here.");
    list.forEach(function (p) { if (p && typeof p === "object") { pools++; showPool(li, p); } });
    var l = v.launch;
    if (l && typeof l === "object") {
      addLine(li, "p", "", "Launch curve " + plain(l.id) + " by " + plain(l.creator) + ", " +
        (l.creator_prior_rug ? "on" : "not on") + " your prior-rug list; " +
        (l.graduated ? "graduated to SimpleDEX pool " + plain(l.dex_pool_id) : "still on its bonding curve"));
    }
    ul.appendChild(li);
  });
  $("lqstate").textContent = [q.symbol == null ? "No symbol to look for" + (q.why ? " — " + plain(q.why) : "") + "." : "",
    q.shared === null ? "The contract's list of symbols could not be read: counted as " + plain(q.shared_counted_as) + "." : ""]
    .filter(Boolean).join(" ");
  var t = q.totals && typeof q.totals === "object" ? q.totals : {};
  $("lqtotal").textContent = allRead && !pools ? "No pool found on the venues read." :
    pools ? count(pools, "pool", "pools") + (t.token_amount != null ? " holding " + plain(t.token_amount) : "") +
      (allRead ? "" : " on the venues read; a venue not read may hold more") + "." : "";
}

// Asks /liquidity for a token as the scan numbered `number` asked it, and shows the answer unless
// a later scan has begun.
async function load(t, sym, number) {
  $("lq").hidden = false;
  $("lqstate").textContent = "Reading the pools…";
  $("lqtotal").textContent = "";
  $("lqvenues").textContent = "";
  try {
    var q = JSON.parse(await Page.ask("/liquidity" + Page.tokenQuery(t, sym)));
    if (!Page.isLatest(number)) return;
    if (q === null || typeof q !== "object" || q.version !== 1) throw new Error("not a liquidity answer");
    showLiquidity(q);
    shown = { token: t, symbol: sym, answer: q };
  } catch (err) {
    if (Page.isLatest(number)) $("lqstate").textContent = "Couldn't read the liquidity: nothing is known about the pools.";
  }
}

// Hides the panel and forgets its answer, for a scan that will show another or none.
function clear() {
  $("lq").hidden = true;
  shown = null;
}

return { load: load, clear: clear, shown: function () { return shown; } };
})();

// Sale panel: shown beside a verdict, it asks /sell only when its button is pressed (the dry run
// holds the single-threaded scanner for up to 30 seconds) and shows what the node made of each run.
// It never says more than was run: a sale is said to have gone through only when a sale run in the
// answer did, and any other, unknown or malformed answer reads "Could not tell.", never a yes. As
// with the other panels, an answer for an earlier scan is dropped. Uses: Page.
"use strict";
const Sell = (function () {
var plain = Page.plain, isText = Page.isText, addLine = Page.addLine;
var IDLE = "Try a sale (dry run)";
// Each run's outcome: its words and its colour hint.
var OUTCOMES = { went_through: ["went through", "ok"], refused_by_token: ["refused by the token", "bad"],
  refused_by_venue: ["refused by the venue", "warn"], inconclusive: ["could not tell", "warn"] };
var STATES = { only_transfers: "Transfers went through, but the token refused every sale tried.",
  blocked: "The token refused every transfer and sale tried.", some_holders_blocked: "The token refused some holders (below)." };
var scan = null;  // the token, symbol and scan number the panel is for

// The values of `list` that are set, as text, joined by `sep`.
function joined(list, sep) { return list.filter(function (v) { return v != null && v !== ""; }).map(plain).join(sep); }

function isSale(r) { return isText(r.kind) && r.kind !== "transfer"; }

// The state line of answer `q` with its runs `runs`, as [text, colour hint].
function state(q, runs) {
  if (q.sells === "went_through") {
    var sale = runs.find(function (r) { return isSale(r) && r.outcome === "went_through"; });
    if (sale) return ["A sale of " + plain(sale.quantity) + " by " + plain(sale.holder) + " went through.", "ok"];
  } else if (Object.prototype.hasOwnProperty.call(STATES, q.sells)) {
    return [STATES[q.sells], "bad"];
  } else if (q.sells === "not_checked" && isText(q.why) && q.why) {
    return ["Could not tell: " + q.why, "warn"];
  }
  return ["Could not tell.", "warn"];
}

// One run as a line: who sent what to whom and what came of it, with the refusal's words.
function runLine(ul, r) {
  var o = OUTCOMES[r.outcome] || OUTCOMES.inconclusive;
  var about = joined([joined([r.by, r.message], ": "), joined([r.name, r.code], " ")], " · ");
  var li = addLine(ul, "li", "", plain(r.holder) + " → " + plain(r.to) + ": " +
    (isSale(r) ? "sale into " + r.kind : "transfer") + " of " + plain(r.quantity) + " — ");
  addLine(li, "span", o[1], o[0] + (r.outcome !== "went_through" && about ? " (" + about + ")" : ""));
}

function show(text, hint, why) {
  $("slstate").textContent = text;
  $("slstate").className = hint;
  $("slwhy").textContent = why;
}

// Asks /sell for the scan the panel is for and shows the answer unless a later scan has begun.
async function check() {
  var s = scan, btn = $("slcheck");
  if (!s) return;
  btn.disabled = true;
  btn.textContent = "Trying…";
  show("Trying a transfer and a sale on the chain node…", "", "");
  $("slruns").textContent = "";
  try {
    var q = JSON.parse(await Page.ask("/sell" + Page.tokenQuery(s.token, s.symbol)));
    if (!Page.isLatest(s.number)) return;
    if (q === null || typeof q !== "object") throw new Error("not a sale answer");
    var runs = q.version === 1 && Array.isArray(q.runs) ? q.runs.filter(function (r) { return r && typeof r === "object"; }) : [];
    var line = q.version === 1 ? state(q, runs) : ["Could not tell.", "warn"];
    show(line[0], line[1], q.version === 1 && q.sells !== "not_checked" && isText(q.why) ? q.why : "");
    runs.forEach(function (r) { runLine($("slruns"), r); });
  } catch (err) {
    if (Page.isLatest(s.number)) show("Couldn't reach the scanner: nothing is known about a sale.", "warn", "");
  } finally {
    if (Page.isLatest(s.number)) { btn.disabled = false; btn.textContent = IDLE; }
  }
}

// Shows the panel for the scan numbered `number` of token `t` and symbol `sym`, with no outcome.
function offer(t, sym, number) {
  scan = { token: t, symbol: sym, number: number };
  $("sl").hidden = false;
  $("slcheck").disabled = false;
  $("slcheck").textContent = IDLE;
  show("", "", "");
  $("slruns").textContent = "";
}

// Hides the panel, for a scan that shows no verdict.
function clear() {
  scan = null;
  $("sl").hidden = true;
}

$("slcheck").addEventListener("click", check);
return { offer: offer, clear: clear };
})();

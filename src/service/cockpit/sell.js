// Sale panel: shown beside a verdict, it asks /sell only when its button is pressed (the dry run
// holds the single-threaded scanner for up to 30 seconds) and shows what the node made of each run,
// what each sale paid and whether the node refused the control it must refuse. It never says more
// than was run: a sale is said to have gone through only when a sale run in the answer did, with
// what it paid; refusals are told in the answer's own words (whose, for which holders); any other,
// unknown or malformed answer reads "Could not tell.", never a yes. As with the other panels, an
// answer for an earlier scan is dropped. Uses: Page.
"use strict";
const Sell = (function () {
var plain = Page.plain, isText = Page.isText, isNumber = Page.isNumber, percent = Page.percent, addLine = Page.addLine;
var IDLE = "Try a sale (dry run)";
// Each run's outcome: its words and its colour hint.
var OUTCOMES = { went_through: ["went through", "ok"], refused_by_token: ["refused by the token", "bad"],
  refused_by_venue: ["refused by the venue", "warn"], inconclusive: ["could not tell", "warn"] };
// The states in which the token refused runs: the answer's `why` says which and for whom.
var REFUSED = { only_transfers: true, blocked: true, some_holders_blocked: true };
var CONTROL = { refused: ["the node refused a transfer it must refuse, as a node running contracts does", "ok"],
  went_through: ["the node did not refuse a transfer it must refuse: no run it answered counts", "bad"] };
var scan = null;  // the token, symbol and scan number the panel is for

// The values of `list` that are set, as text, joined by `sep`.
function joined(list, sep) { return list.filter(function (v) { return v != null && v !== ""; }).map(plain).join(sep); }

function isSale(r) { return isText(r.kind) && r.kind !== "transfer"; }

// What a sale run paid, "0.1100 XPR on eosio.token"; empty when the answer does not say.
function paid(r) {
  var p = r.proceeds;
  return p && typeof p === "object" && isText(p.quantity) && isText(p.contract) ? p.quantity + " on " + p.contract : "";
}

// `text` as a sentence: its first letter a capital, a full stop after it.
function sentence(text) { return text.charAt(0).toUpperCase() + text.slice(1) + "."; }

// The state line of answer `q` with its runs `runs`, as [text, colour hint].
function state(q, runs) {
  if (q.sells === "went_through") {
    var sale = runs.find(function (r) { return isSale(r) && r.outcome === "went_through" && paid(r); });
    if (sale) return ["A sale of " + plain(sale.quantity) + " by " + plain(sale.holder) + " went through: it paid " + paid(sale) + ".", "ok"];
  } else if (Object.prototype.hasOwnProperty.call(REFUSED, q.sells) && isText(q.why) && q.why) {
    return [sentence(q.why), "bad"];
  } else if (q.sells === "not_checked" && isText(q.why) && q.why) {
    return ["Could not tell: " + q.why, "warn"];
  }
  return ["Could not tell.", "warn"];
}

// A sale's cost beside its pool's fee: a bar of the two in basis points of the quote, with the
// accounts that took a part of the token on its way; "could not measure: …" without a quote.
function costLine(li, c) {
  if (!c || typeof c !== "object") return;
  var fee = isNumber(c.pool_fee_ppm) ? c.pool_fee_ppm / 100 : null;
  var taken = Array.isArray(c.taken) ? c.taken.filter(function (t) { return t && typeof t === "object"; })
    .map(function (t) { return plain(t.to) + " " + plain(t.quantity); }) : [];
  var text = isNumber(c.cost_bp) ? "cost " + percent(c.cost_bp) + " beyond the pool's fee" +
    (fee != null ? " (" + percent(fee) + ")" : "") : "could not measure the cost";
  if (taken.length) text += "; taken on the way: " + taken.join(", ");
  var p = addLine(li, "div", "cost", text);
  if (!isNumber(c.cost_bp)) return;
  var bar = document.createElement("div");
  bar.className = "bar cost";
  [[fee || 0, "fee"], [c.cost_bp, "lost"]].forEach(function (part) {
    var seg = document.createElement("i");
    seg.className = part[1];
    seg.style.width = Math.min(part[0], 10000) / 100 + "%";
    bar.appendChild(seg);
  });
  p.appendChild(bar);
}

// One run as a line: who sent what to whom and what came of it, with the refusal's words.
function runLine(ul, r) {
  var o = OUTCOMES[r.outcome] || OUTCOMES.inconclusive;
  var about = joined([joined([r.by, r.message], ": "), joined([r.name, r.code], " ")], " · ");
  var li = addLine(ul, "li", "", plain(r.holder) + " → " + plain(r.to) + ": " +
    (isSale(r) ? "sale into " + r.kind : "transfer") + " of " + plain(r.quantity) + " — ");
  var note = r.outcome === "went_through" ? (isSale(r) && paid(r) ? "paid " + paid(r) : "") : about;
  addLine(li, "span", o[1], o[0] + (note ? " (" + note + ")" : ""));
  if (r.outcome === "went_through" && isSale(r)) costLine(li, r.cost);
}

// The control's line: whether the node that ran the dry runs refused what it must.
function controlLine(c) {
  if (!c || typeof c !== "object") return ["", ""];
  var said = CONTROL[c.outcome] || ["could not tell whether the node refuses a transfer it must refuse: no run it answered counts", "warn"];
  return ["Control: " + said[0] + (isText(c.message) && c.message ? " (" + c.message + ")" : "") + ".", said[1]];
}

function show(text, hint, why, control) {
  $("slstate").textContent = text;
  $("slstate").className = hint;
  $("slwhy").textContent = why;
  var c = control || ["", ""];
  $("slcontrol").textContent = c[0];
  $("slcontrol").className = c[1];
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
    var why = q.version === 1 && q.sells === "went_through" && isText(q.why) ? q.why : "";
    var costs = q.version === 1 && q.costs && typeof q.costs === "object" ? q.costs : {};
    if (isText(costs.why) && costs.why.indexOf("could not measure") === 0) why = why ? why + "; " + costs.why : costs.why;
    show(line[0], line[1], why, q.version === 1 ? controlLine(q.control) : null);
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

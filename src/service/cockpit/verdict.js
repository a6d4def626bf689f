// The verdict card and the scan action: checks the name locally, asks /scan on this origin,
// shows the answer, then has the evidence and liquidity panels filled for it and the sale panel
// offered; keeps the token and symbol in the address bar. Every text is set with textContent, so
// nothing from an answer is ever read as markup. Uses: valid, Page, Evidence, Liquidity, Sell;
// tells whoever listens for "cockpit:offer" that the verdict offered to the watchlist changed.
"use strict";
const Verdict = (function () {
var plain = Page.plain;
var offer = null;      // the verdict shown in the card, which the Watch button adds
var shownScan = null;  // the token and symbol of the scan shown, and its verdict, for a symbol picked in the panel

function pill(c, t) {
  var p = $("lvl");
  p.className = "lvl " + c;
  p.textContent = t;
}

// Fills the verdict card from a parsed /scan answer: the error object or the verdict object.
function show(d) {
  if (d.error) {
    pill("warn", "NO VERDICT");
    $("tokname").textContent = d.token != null && d.token !== "" ? "@" + d.token : "";
    $("sev").textContent = "—";
    $("haz").textContent = "—";
    $("gate").textContent = "don't trade blind";
    $("unv").hidden = true;
    $("alert").textContent = plain(d.error);
    return;
  }
  pill(cls(d.level), plain(d.level));
  $("tokname").textContent = "@" + plain(d.token);
  $("sev").textContent = plain(d.severity);
  $("haz").textContent = plain(d.hazard);
  $("gate").textContent = d.block === true ? "HALT — bots should not enter" : "clear";
  $("unv").hidden = d.unverified !== true;
  $("alert").textContent = plain(d.alert);
}

// The address bar keeps the token and symbol shown, so that a reload or a shared link shows the
// same; replaced in place, never a new history entry, and never read back as a change.
function keepFragment(token, symbol) {
  var f = "#token=" + encodeURIComponent(token) + (symbol ? "&symbol=" + encodeURIComponent(symbol) : "");
  if (location.hash !== f) history.replaceState(null, "", f);
}

// The token and symbol named by the address bar's fragment, into the fields, then scanned.
function scanFragment() {
  var named = {};
  location.hash.replace(/^#/, "").split("&").forEach(function (part) {
    var at = part.indexOf("=");
    if (at <= 0) return;
    try { named[part.slice(0, at)] = decodeURIComponent(part.slice(at + 1)); } catch (err) { /* cut escape */ }
  });
  if (!Page.isText(named.token) || !named.token) return;
  $("tok").value = named.token;
  $("sym").value = Page.isText(named.symbol) ? named.symbol : "";
  scan();
}

// Offers the verdict shown (token, symbol, level, severity, hazard) to the watchlist, or null.
function offered(o) {
  offer = o;
  document.dispatchEvent(new Event("cockpit:offer"));
}

// The card for a scan that brought no verdict: `text` in the pill, `help` below it.
function refuse(text, help) {
  $("out").hidden = false;
  pill("bad", text);
  offered(null);
  $("alert").textContent = help;
}

// The panels for a verdict shown: its evidence, then its liquidity, asked as the evidence was
// (without a symbol the service resolves it the same way for both); the sale panel, empty, whose
// check waits for its button.
async function panels(t, sym, verdict, number) {
  Liquidity.clear();
  Sell.offer(t, sym, number);
  await Evidence.load(t, sym, verdict, number, pickSymbol);
  if (Page.isLatest(number)) Liquidity.load(t, sym, number);
}

// A symbol picked from the panel's list: the same contract's evidence and liquidity for it.
function pickSymbol(code) {
  if (!shownScan) return;
  $("sym").value = code;
  shownScan.symbol = code;
  keepFragment(shownScan.token, code);
  if (offer) offer.symbol = code;
  offered(offer);
  panels(shownScan.token, code, shownScan.verdict, Page.nextScan());
}

// The answer `d` of the scan numbered `number` for token `t` and symbol `sym`, into the card.
function answered(t, sym, d, number) {
  $("out").hidden = false;
  show(d);
  offered(d.error ? null : { token: t, symbol: sym || null, level: d.level, severity: d.severity, hazard: d.hazard });
  if (!Page.isLatest(number)) return;
  shownScan = d.error ? null : { token: t, symbol: sym, verdict: d };
  if (d.error) { $("ev").hidden = true; Liquidity.clear(); Sell.clear(); }
  else panels(t, sym, d, number);
}

// The request failed or the answer is not a JSON object.
function failed(number) {
  if (Page.isLatest(number)) { $("ev").hidden = true; Liquidity.clear(); Sell.clear(); shownScan = null; }
  refuse("ERROR", "Couldn't reach the scanner — is Tarnwick still running?");
}

return { refuse: refuse, keepFragment: keepFragment, scanFragment: scanFragment, answered: answered, failed: failed,
  offer: function () { return offer; } };
})();

// The scan action, run by the button, by Enter in the token field and by the address bar's fragment.
async function scan() {
  var t = $("tok").value.trim().toLowerCase(), sym = $("sym").value.trim().toUpperCase();
  if (t.charAt(0) === "@") t = t.slice(1);
  var btn = $("scan");
  if (!valid(t)) return Verdict.refuse("CHECK THE NAME", "Enter the token's contract account: 1–12 letters a–z, digits 1–5 or dots.");
  if (sym && !Page.validSymbol(sym)) {
    return Verdict.refuse("CHECK THE SYMBOL", "A symbol is 1–7 letters A–Z; leave it empty to let the scanner choose.");
  }
  $("sym").value = sym;
  Verdict.keepFragment(t, sym);
  btn.disabled = true;
  btn.textContent = "Scanning…";
  var number = Page.nextScan();
  try {
    var d = JSON.parse(await Page.ask("/scan?token=" + encodeURIComponent(t)));
    if (d === null || typeof d !== "object") throw new Error("not a scan answer");
    Verdict.answered(t, sym, d, number);
  } catch (e) {
    Verdict.failed(number);
  } finally {
    btn.disabled = false;
    btn.textContent = "Scan ▸";
  }
}

// A fragment is acted on only while the guard lets the page act: another site that frames the
// page, or opened it, cannot make it scan by setting one.
window.addEventListener("hashchange", function () { if (Guard.clear()) Verdict.scanFragment(); });
Guard.whenClear(Verdict.scanFragment);

$("scan").addEventListener("click", scan);
$("tok").addEventListener("keydown", function (e) {
  if (e.key === "Enter" && !e.isComposing) scan();
});

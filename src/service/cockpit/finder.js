// Find control: a symbol typed beside the scan form is asked of /symbol, and the contracts seen
// carrying it or a symbol that folds to it are listed to pick from, the network's own token first
// and marked, a lookalike and a blacklisted registry row marked too. Picking one fills the token
// and symbol fields and scans it. What could not be read is said under the list, so an empty or
// short list is never taken for a whole one. An invalid symbol sends nothing; an answer for an
// earlier find is dropped. Every text is set as text. Uses: Page, scan (verdict.js).
"use strict";
const Finder = (function () {
var plain = Page.plain, isText = Page.isText, addLine = Page.addLine, listed = Page.listed;
// Where the service saw a contract, in words; a venue's name stands for itself.
var SEEN = { known: "the network's own tokens", registry: "the registry", market: "the exchange's markets" };
var latest = 0;  // each find takes a new number; an answer carrying an older one is dropped

function isObject(v) { return v !== null && typeof v === "object"; }

function state(text) { $("fdstate").textContent = text; }

// One contract of the answer as a button that scans it with its symbol: contract and symbol, the
// marks, then its registry name and where it was seen. `asked`: the symbol looked for;
// `ownSeen`: whether the list holds the network's own token, so that the others say they are not it.
function entry(ul, c, asked, ownSeen) {
  var li = document.createElement("li"), b = addLine(li, "button", "fdpick", "");
  b.type = "button";
  addLine(b, "span", "fdname", plain(c.contract) + " · " + plain(c.symbol));
  if (c.known === true) addLine(b, "span", "fdmark ok", "✓ the network's " + plain(c.symbol));
  else if (c.lookalike === true) addLine(b, "span", "fdmark warn", "lookalike of " + asked + ", not the network's");
  else if (ownSeen) addLine(b, "span", "fdmark warn", "not the network's " + asked);
  if (c.blisted === true) addLine(b, "span", "fdmark bad", "blacklisted in the registry");
  var seen = Array.isArray(c.seen) ? c.seen.map(function (s) { return SEEN[s] || plain(s); }) : [];
  addLine(b, "span", "fdmeta", (c.name == null ? "no registry row read" : "registry name \"" + plain(c.name) + "\"") +
    (seen.length ? " · seen in " + listed(seen) : ""));
  b.addEventListener("click", function () {
    $("tok").value = plain(c.contract);
    $("sym").value = plain(c.symbol);
    scan();
  });
  ul.appendChild(li);
}

function show(q, asked) {
  var all = Array.isArray(q.contracts) ? q.contracts.filter(isObject) : [];
  var own = all.filter(function (c) { return c.known === true; });
  var list = own.concat(all.filter(function (c) { return c.known !== true; }));
  var unread = (Array.isArray(q.unread) ? q.unread.filter(isObject) : []).map(function (u) {
    return plain(u.what) + (isText(u.why) && u.why ? " (" + u.why + ")" : "");
  });
  var whole = q.all_read === true && !unread.length;
  state(list.length ? "Seen carrying " + asked + " or a symbol like it: pick one to scan it." :
    "No contract was seen carrying " + asked + " or a symbol like it" + (whole ? ", and everything was read." : " in what could be read."));
  list.forEach(function (c) { entry($("fdlist"), c, asked, own.length > 0); });
  $("fdunread").textContent = whole ? "" : "Not everything could be read" + (unread.length ? ": " + listed(unread) : "") + ".";
}

// Asks /symbol for the symbol in the find field and lists the answer, unless a later find began.
async function find() {
  var sym = $("fdsym").value.trim().toUpperCase(), number = ++latest;
  $("fdsym").value = sym;
  $("fd").hidden = false;
  $("fdlist").textContent = "";
  $("fdunread").textContent = "";
  if (!Page.validSymbol(sym)) return state("A symbol is 1–7 letters A–Z, such as XUSDC.");
  state("Looking for " + sym + "…");
  try {
    var q = JSON.parse(await Page.ask("/symbol?symbol=" + encodeURIComponent(sym)));
    if (number !== latest) return;
    if (!isObject(q)) throw new Error("not a symbol answer");
    if (q.error != null) return state("Couldn't look up " + sym + ": " + plain(q.error));
    if (q.version !== 1) throw new Error("not a symbol answer");
    show(q, sym);
  } catch (err) {
    if (number === latest) state("Couldn't reach the scanner: nothing is known about who carries " + sym + ".");
  }
}

// Capitals as typed, the caret kept where it was.
$("fdsym").addEventListener("input", function (e) {
  var f = $("fdsym"), at = f.selectionStart, end = f.selectionEnd;
  if (e.isComposing) return;
  f.value = f.value.toUpperCase();
  f.setSelectionRange(at, end);
});
$("fdsym").addEventListener("keydown", function (e) {
  if (e.key === "Enter" && !e.isComposing) find();
});
$("find").addEventListener("click", find);
return { find: find };
})();

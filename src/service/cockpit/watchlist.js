// The watchlist: tokens the person holds, re-checked with /evidence and /liquidity while the page
// is open, and any change that can turn against a holder shown on the list and, if allowed, as a
// desktop notification. The list lives in this browser's localStorage and nowhere else. Here: the
// storage, the drawing, the rounds of checks and the lock that lets one tab run them; what counts
// as a change is in WatchRules. Uses: Page, Verdict, Evidence, Liquidity, WatchRules.
"use strict";
const Watchlist = (function () {
var addLine = Page.addLine, entryKey = WatchRules.entryKey, entryName = WatchRules.entryName;
var WATCH_KEY = "tarnwick.watchlist";
var WATCH_EVERY = 10 * 60 * 1000;
var leader = false;   // this tab holds the lock and runs the checks
var running = false;  // a round of checks is under way
var timer = 0;

// The watched tokens as stored; a value that fails the check is removed.
function watchLoad() {
  var raw;
  try { raw = localStorage.getItem(WATCH_KEY); } catch (e) { return []; }
  if (raw === null) return [];
  try {
    var d = JSON.parse(raw);
    if (WatchRules.listValid(d)) return d.tokens;
  } catch (e) { /* not JSON: dropped below */ }
  try { localStorage.removeItem(WATCH_KEY); } catch (e) { /* storage switched off */ }
  return [];
}

function watchSave(list) {
  try { localStorage.setItem(WATCH_KEY, JSON.stringify({ version: 1, tokens: list })); } catch (e) { /* full or off */ }
}

function find(list, token, symbol) {
  return list.filter(function (t) { return entryKey(t.token, t.symbol) === entryKey(token, symbol); })[0] || null;
}

function when(ms) {
  return new Date(ms).toLocaleString([], { dateStyle: "medium", timeStyle: "short" });
}

// Shows the Watch button beside the verdict shown, or hides it when none is.
function watchButton(list) {
  var b = $("watch"), offer = Verdict.offer();
  b.hidden = !offer;
  if (!offer) return;
  var watched = !!find(list, offer.token, offer.symbol), full = list.length >= WatchRules.MAX;
  b.textContent = watched ? "★ Watching" : full ? "Watchlist full" : "☆ Watch";
  b.disabled = watched || full;
}

// Draws the list: each token with its last level, severity and check (or that its verdict was
// never checked with its facts), a failed or partly read check as such, and its latest changes.
// All texts are set as text.
function renderWatch(list) {
  var ul = $("wlist");
  ul.textContent = "";
  $("watchcard").hidden = !list.length;
  list.forEach(function (t) {
    var li = document.createElement("li"), head = addLine(li, "div", "whead", "");
    addLine(head, "span", "wtok", entryName(t.token, t.symbol));
    addLine(head, "span", "lvl small " + cls(t.level), t.level === null ? "—" : t.level);
    addLine(head, "span", "wmeta", "severity " + (t.severity === null ? "—" : t.severity) + " · " +
      (WatchRules.unchecked(t) ? "not checked yet" : "checked " + when(t.checked)));
    var rm = addLine(head, "button", "btn2", "Remove");
    rm.type = "button";
    rm.setAttribute("aria-label", "Stop watching " + entryName(t.token, t.symbol));
    rm.addEventListener("click", function () { unwatch(t.token, t.symbol); });
    if (t.failed !== null) addLine(li, "p", "wfail", "Last check failed: " + t.failed + ". Nothing is known to have changed.");
    else if (t.partly) addLine(li, "p", "wfail", "Partly read: " + t.partly + ".");
    t.changes.forEach(function (c) {
      addLine(li, "p", "wchg", when(c.at) + " · " + c.what + ": " + c.from + " → " + c.to);
    });
    ul.appendChild(li);
  });
  watchButton(list);
}

// The Watch button. The first token added asks for notification permission, here in the
// click's own handler, because browsers ignore the request without a person's gesture.
function watch() {
  var o = Verdict.offer(), list = watchLoad();
  if (!o || find(list, o.token, o.symbol) || list.length >= WatchRules.MAX) return;
  if (!list.length && window.Notification && Notification.permission === "default") {
    var asked = Notification.requestPermission();
    if (asked && asked.catch) asked.catch(function () {});
  }
  function shown(s) { return s && s.token === o.token && (s.symbol || null) === (o.symbol || null) ? s.answer : null; }
  list.push(WatchRules.entry(o, shown(Evidence.shown()), shown(Liquidity.shown()), Date.now()));
  watchSave(list);
  renderWatch(list);
}

function unwatch(token, symbol) {
  var list = watchLoad().filter(function (t) { return entryKey(t.token, t.symbol) !== entryKey(token, symbol); });
  watchSave(list);
  renderWatch(list);
}

// Desktop notification of a token's changes, only when the person has allowed them.
function notify(token, symbol, changes) {
  if (!changes.length || !window.Notification || Notification.permission !== "granted") return;
  try {
    new Notification("Tarnwick: " + entryName(token, symbol) + " changed", { tag: "tarnwick-" + entryKey(token, symbol),
      body: changes.map(function (c) { return c.what + ": " + c.from + " → " + c.to; }).join("\n") });
  } catch (e) { /* some browsers only notify from a service worker */ }
}

// One check of one token: its evidence, then its liquidity. A check that brings no verdict (no
// data, a service that does not answer) is recorded as failed and is never a change; liquidity
// that cannot be read leaves the pooled amounts as they were.
async function check(token, symbol) {
  var e, next = null, failed = null, pools = {};
  try {
    e = JSON.parse(await Page.ask("/evidence" + Page.tokenQuery(token, symbol)));
  } catch (err) {
    failed = "couldn't reach the scanner";
  }
  if (!failed && (e === null || typeof e !== "object" || e.version !== 1)) failed = "the answer was not evidence";
  if (!failed && !e.verdict) failed = "no data, the token's account could not be read";
  if (!failed) {
    try {
      if (!e.facts) throw new Error("no facts");
      next = WatchRules.snapshot(e);
    } catch (err) { failed = "the answer was not evidence"; }
  }
  if (!failed) {
    try {
      var q = JSON.parse(await Page.ask("/liquidity" + Page.tokenQuery(token, symbol)));
      if (q && q.version === 1) pools = WatchRules.pooled(q, token);
    } catch (err) { /* no liquidity read: nothing compared */ }
  }
  var list = watchLoad(), t = find(list, token, symbol);
  if (!t) return;  // removed while it was being checked
  var changes = WatchRules.record(t, Date.now(), failed, e, next, pools);
  watchSave(list);
  renderWatch(list);
  notify(token, symbol, changes);
}

// One round: checks, one after another, every token whose last check is 10 minutes old by the
// wall clock (timers in a hidden tab run late, the clock does not), then sleeps until the next
// one is due, at most a minute. It steps aside while a scan of the page's own is out.
async function watchRound() {
  if (!leader || running) return;
  clearTimeout(timer);
  running = true;
  var done = Object.create(null);
  try {
    for (var t = nextDue(done); t && !Page.inflight(); t = nextDue(done)) {
      done[entryKey(t.token, t.symbol)] = true;
      await check(t.token, t.symbol);
    }
  } finally {
    running = false;
    timer = setTimeout(watchRound, Page.inflight() ? 1000 : untilDue());
  }
}

// The first watched token whose check is due and not yet done in this round. A check stamped in
// the future (the clock was set back) is due at once.
function nextDue(done) {
  var now = Date.now();
  return watchLoad().filter(function (t) {
    return !done[entryKey(t.token, t.symbol)] && (now - t.checked >= WATCH_EVERY || t.checked > now);
  })[0] || null;
}

// Milliseconds until the next check is due: at least a second, at most a minute, so that a
// token added in another tab or a clock that jumped is noticed soon.
function untilDue() {
  var now = Date.now(), wait = 60000;
  watchLoad().forEach(function (t) { wait = Math.min(wait, t.checked + WATCH_EVERY - now); });
  return Math.max(wait, 1000);
}

// Only one cockpit tab runs the checks: the one holding the lock, until it closes.
function watchLead() {
  function lead() {
    leader = true;
    watchRound();
    return new Promise(function () {});
  }
  if (navigator.locks && navigator.locks.request) navigator.locks.request("tarnwick-watch", lead).catch(function () {});
  else lead();
}

$("watch").addEventListener("click", watch);
document.addEventListener("cockpit:offer", function () { watchButton(watchLoad()); });
window.addEventListener("storage", function (e) {
  if (e.key === WATCH_KEY || e.key === null) renderWatch(watchLoad());
});
document.addEventListener("visibilitychange", function () {
  if (!document.hidden) watchRound();
});
renderWatch(watchLoad());
watchLead();
return { load: watchLoad };
})();

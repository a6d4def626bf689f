// Page helpers: the element lookup, the name and symbol checks, the pill class, text helpers and
// the one way the page asks the service about a token. Uses nothing but the browser; touches no
// element while it loads, so the watch rules' tests can load it without a page.
"use strict";
function $(id) { return document.getElementById(id); }

// A token contract account: 1 to 12 of a-z, 1-5 and ".", not ending in ".".
function valid(s) {
  return /^[a-z1-5.]{1,12}$/.test(s) && s.charAt(s.length - 1) !== ".";
}

// Level text to pill class; the first matching keyword wins.
function cls(level) {
  var u = String(level == null ? "" : level).toUpperCase();
  if (u.indexOf("CRIT") >= 0) return "crit";
  if (u.indexOf("HIGH") >= 0 || u.indexOf("DANGER") >= 0) return "bad";
  if (u.indexOf("ELEV") >= 0 || u.indexOf("MED") >= 0 || u.indexOf("WARN") >= 0 ||
      u.indexOf("CAUTION") >= 0) return "warn";
  return "ok";
}

const Page = (function () {
var inflight = 0, latest = 0;

// A token symbol: 1 to 7 capital letters A-Z.
function validSymbol(s) { return /^[A-Z]{1,7}$/.test(s); }

function plain(v) { return v == null ? "" : String(v); }
function isText(v) { return typeof v === "string"; }
function isNumber(v) { return typeof v === "number" && isFinite(v); }

function percent(bp) { return Math.round(bp / 10) / 10 + " %"; }
function count(n, one, many) { return n + " " + (n === 1 ? one : many); }
// "a", "a and b", "a, b and c".
function listed(names) { return names.length > 1 ? names.slice(0, -1).join(", ") + " and " + names[names.length - 1] : names.join(""); }

function addLine(parent, tag, className, text) {
  var el = document.createElement(tag);
  if (className) el.className = className;
  el.textContent = text;
  parent.appendChild(el);
  return el;
}

// The query of a token's /evidence and /liquidity: the contract, and the symbol when one is set.
function tokenQuery(token, symbol) {
  return "?token=" + encodeURIComponent(token) + (symbol ? "&symbol=" + encodeURIComponent(symbol) : "");
}

// Every request for a token goes through here, so that the watch can wait for the page's own
// requests and never add a second one beside them; each waits until the guard lets the page act.
async function ask(path) {
  await Guard.ready();
  inflight++;
  try {
    var r = await fetch(path, { cache: "no-store" });
    return await r.text();
  } finally {
    inflight--;
  }
}

return {
  validSymbol: validSymbol, plain: plain, isText: isText, isNumber: isNumber, percent: percent, count: count,
  listed: listed, addLine: addLine, tokenQuery: tokenQuery, ask: ask,
  // This page's requests to /scan, /evidence, /liquidity, /sell and /symbol not yet answered.
  inflight: function () { return inflight; },
  // Each scan takes a new number; the panels drop an answer that carries an older one.
  nextScan: function () { return ++latest; },
  isLatest: function (number) { return number === latest; },
};
})();

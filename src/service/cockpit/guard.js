// Guard: the page acts for the person in front of it, never for another site. Framed by another
// page, or opened by another page's script, it sends no request and acts on no fragment until the
// person clicks on it; framed, it offers itself in a tab of its own. Every request of the page
// waits on it. Runs as soon as the notice line is parsed; uses nothing but the browser.
"use strict";
const Guard = (function () {
var framed = window.top !== window.self, held = framed || window.opener != null, waiting = [];

function release(e) {
  if (!held || !e.isTrusted) return;
  held = false;
  document.removeEventListener("click", release, true);
  waiting.splice(0).forEach(function (f) { f(); });
}

// Runs `f` now when the page may act, else at the person's first click on it.
function whenClear(f) {
  if (held) waiting.push(f);
  else f();
}

if (held) document.addEventListener("click", release, true);
document.getElementById("framed").hidden = !framed;
return {
  whenClear: whenClear,
  // Whether the page may act now.
  clear: function () { return !held; },
  // Settles when the page may act.
  ready: function () { return new Promise(whenClear); },
};
})();

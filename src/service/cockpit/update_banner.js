// Update banner: asks the service once whether a newer release is published and, only for a
// download page on the maker's site, shows a link to it. Any failure leaves the banner hidden.
// Runs as soon as the link is parsed, asking once the guard lets the page act; uses Guard.
"use strict";
const UpdateBanner = (function () {
var site = "https://get.tarnwick.app/";
Guard.whenClear(function () {
  fetch("/update").then(function (r) { return r.json(); }).then(function (u) {
    if (!u || u.available !== true || typeof u.page !== "string" || u.page.indexOf(site) !== 0) return;
    var a = document.getElementById("kq4upd");
    a.href = u.page;
    a.textContent = "⬆ New version " + u.version + " is available (you have " + u.current + ") — click to download";
    a.hidden = false;
  }).catch(function () {});
});
return { site: site };
})();

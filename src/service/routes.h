// The routes: the one answer a request gets. Guards first (405, then 403), then the routes in
// fixed order, first match wins:
//   target begins "/health"            -> 200 text/plain "ok"
//   path is "/" or "/index.html"       -> 200 the cockpit page
//   path is "/update"                  -> the update notice
//   target begins "/oracle"            -> the oracle line for the `token` query value
//   target begins "/scan"              -> the scan JSON for the `token` query value
//   path is "/evidence"                -> the evidence JSON for the `token` and `symbol` values
//   path is "/liquidity"               -> the pools of the `token` (and `symbol`) query values
//   anything else                      -> 404 text/plain "not found"
// The last five routes read from outside the machine and hold the single serving thread while
// they do; a request to them that a browser marks as sent by a page of another site gets 403
// text/plain "forbidden origin" instead (origin_allowed), so no web page can queue them.
// Prefix tests look at the whole target (query included) byte-wise and case-sensitively; path
// tests compare the target without its query for equality.
// Without a valid token /scan, /evidence and /oracle answer 400 before anything is read from the
// chain; a token that cannot be read is not an HTTP error but "200 OK" with the no-data body.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "chain/scan_context.h"
#include "service/connection.h"

namespace tarnwick {

class JsonReader;

// 405 "method not allowed" when the method guard fails, else 403 "forbidden host" when the Host
// guard fails, else none: the request may be routed.
std::optional<Response> guard_rejection(std::string_view request);

// The answer for a request that passed the guards. The context is lent read-only to the scan
// routes, and `reader` reads their replies (the serving loop keeps one between requests).
Response route_request(std::string_view request, const ScanContext& context, JsonReader& reader);

// The answer for any request bytes: the guard rejection, or the routed answer. The form without
// a reader uses one of its own.
Response answer_request(std::string_view request, const ScanContext& context, JsonReader& reader);
Response answer_request(std::string_view request, const ScanContext& context);

// application/json: {"error":"missing token"} (400), the no-data error object or the scan
// object with the alert report inside (200).
Response scan_route(const std::optional<std::string>& token, const ScanContext& context,
                    JsonReader& reader);

// The `token` and optional `symbol` query values of a route about one token of a contract.
struct TokenQuery {
  std::string token;
  std::optional<std::string> symbol;
};

// The query of `target`, or the 400 application/json answer that refuses it before any read:
// {"error":"missing token"} (as /scan), or {"error":"invalid symbol"} for a symbol that is not 1
// to 7 capitals A-Z (an empty `symbol=` is as if absent).
std::variant<TokenQuery, Response> token_query(std::string_view target);

// The facts behind the verdict, for the `token` and optional `symbol` query values of `target`:
// {"error":"missing token"} (400, application/json, as /scan), {"error":"invalid symbol"} (400)
// for a symbol that is not 1 to 7 capitals A-Z, both before any read; else 200 application/json;
// charset=utf-8: the evidence object, or its no-data form.
Response evidence_route(std::string_view target, const ScanContext& context, JsonReader& reader);

// text/plain: "missing token" (400), the no-data line or the one-line verdict (200).
Response oracle_route(const std::optional<std::string>& token, const ScanContext& context,
                      JsonReader& reader);

}  // namespace tarnwick

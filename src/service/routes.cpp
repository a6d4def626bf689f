#include "service/routes.h"

#include <string>
#include <utility>

#include "common/json_reader.h"
#include "service/cockpit/cockpit_page.h"
#include "service/evidence_route.h"
#include "service/liquidity_route.h"
#include "service/oracle_route.h"
#include "service/request_guards.h"
#include "service/scan_route.h"
#include "service/sell_route.h"
#include "service/symbol_route.h"
#include "service/update_notice.h"

namespace tarnwick {
namespace {

Response text_response(std::string_view status, std::string_view body) {
  return {status, content_type_text, std::string(body)};
}

}  // namespace

std::optional<Response> guard_rejection(std::string_view request) {
  if (!method_allowed(request))
    return text_response(status_method_not_allowed, "method not allowed");
  if (!host_allowed(request)) return text_response(status_forbidden, "forbidden host");
  return std::nullopt;
}

Response route_request(std::string_view request, const ScanContext& context, JsonReader& reader) {
  const std::string target = request_target(request);
  const std::string_view path = request_path(target);
  if (target.starts_with("/health")) return text_response(status_ok, "ok");
  if (path == "/" || path == "/index.html") {
    return {status_ok, content_type_html, std::string(cockpit_page())};
  }
  const bool reads_outside = path == "/update" || path == "/evidence" || path == "/liquidity" ||
                             path == "/sell" || path == "/symbol" ||
                             target.starts_with("/oracle") || target.starts_with("/scan");
  if (reads_outside && !origin_allowed(request)) {
    return text_response(status_forbidden, "forbidden origin");
  }
  // Every /update request runs the whole check again: HOME, the marker, a fresh client.
  if (path == "/update") {
    return {status_ok, content_type_json, run_update_check(production_update_check())};
  }
  if (path == "/liquidity") return liquidity_route(target, context, reader);
  if (path == "/sell") return sell_route(target, context, reader);
  if (path == "/symbol") return symbol_route(target, context, reader);
  // The token is read only once the fixed-path routes are ruled out.
  const std::optional<std::string> token = token_param(target, "token");
  if (target.starts_with("/oracle")) return oracle_route(token, context, reader);
  if (target.starts_with("/scan")) return scan_route(token, context, reader);
  if (path == "/evidence") return evidence_route(target, context, reader);
  return text_response(status_not_found, "not found");
}

Response answer_request(std::string_view request, const ScanContext& context, JsonReader& reader) {
  if (std::optional<Response> rejection = guard_rejection(request)) return std::move(*rejection);
  return route_request(request, context, reader);
}

Response answer_request(std::string_view request, const ScanContext& context) {
  JsonReader reader;
  return answer_request(request, context, reader);
}

}  // namespace tarnwick

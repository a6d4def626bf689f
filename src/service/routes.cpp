#include "service/routes.h"

#include <string>
#include <utility>

#include "assess/evidence_json.h"
#include "assess/hazards.h"
#include "assess/renderings.h"
#include "chain/scan_token.h"
#include "chain/token_evidence.h"
#include "common/json_reader.h"
#include "service/cockpit/cockpit_page.h"
#include "service/liquidity_route.h"
#include "service/request_guards.h"
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
                             target.starts_with("/oracle") || target.starts_with("/scan");
  if (reads_outside && !origin_allowed(request)) {
    return text_response(status_forbidden, "forbidden origin");
  }
  // Every /update request runs the whole check again: HOME, the marker, a fresh client.
  if (path == "/update") {
    return {status_ok, content_type_json, run_update_check(production_update_check())};
  }
  if (path == "/liquidity") return liquidity_route(target, context, reader);
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

Response scan_route(const std::optional<std::string>& token, const ScanContext& context,
                    JsonReader& reader) {
  if (!token) return {status_bad_request, content_type_json, std::string(scan_missing_token_body)};
  const std::optional<Verdict> verdict = scan_token(scan_thresholds, context, *token, reader);
  return {status_ok, content_type_json,
          verdict ? scan_json(*token, *verdict) : scan_error_json(*token)};
}

Response oracle_route(const std::optional<std::string>& token, const ScanContext& context,
                      JsonReader& reader) {
  if (!token) {
    return {status_bad_request, content_type_text, std::string(oracle_missing_token_body)};
  }
  const std::optional<Verdict> verdict = scan_token(scan_thresholds, context, *token, reader);
  return {status_ok, content_type_text,
          verdict ? oracle_line(*token, *verdict) : oracle_no_data_line(*token)};
}

std::variant<TokenQuery, Response> token_query(std::string_view target) {
  std::optional<std::string> token = token_param(target, "token");
  if (!token)
    return Response{status_bad_request, content_type_json, std::string(scan_missing_token_body)};
  SymbolParam symbol = symbol_param(target);
  if (symbol.kind == SymbolParam::Kind::invalid) {
    return Response{status_bad_request, content_type_json, R"({"error":"invalid symbol"})"};
  }
  return TokenQuery{std::move(*token), symbol.kind == SymbolParam::Kind::given
                                           ? std::optional(std::move(symbol.symbol))
                                           : std::nullopt};
}

Response evidence_route(std::string_view target, const ScanContext& context, JsonReader& reader) {
  std::variant<TokenQuery, Response> query = token_query(target);
  if (Response* refusal = std::get_if<Response>(&query)) return std::move(*refusal);
  const auto& [token, symbol] = std::get<TokenQuery>(query);
  const std::optional<TokenEvidence> evidence =
      gather_evidence(scan_thresholds, context, token, symbol, reader);
  // After the reads the client's node in use is the one that answered them (when none did, the
  // one the next read asks first).
  const std::string& node = context.client.base_url();
  return {status_ok, content_type_json_utf8,
          evidence ? evidence_json(token, node, *evidence) : evidence_no_data_json(token, node)};
}

}  // namespace tarnwick

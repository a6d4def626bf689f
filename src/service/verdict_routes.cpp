#include "service/verdict_routes.h"

#include "assess/oracle_line.h"
#include "assess/scan_thresholds.h"
#include "assess/verdict_json.h"
#include "chain/scan_token.h"

namespace tarnwick {

Response scan_route(const std::optional<std::string>& token, const ScanContext& context) {
  if (!token) return {status_bad_request, content_type_json, std::string(scan_missing_token_body)};
  const std::optional<Verdict> verdict = scan_token(scan_thresholds, context, *token);
  return {status_ok, content_type_json,
          verdict ? scan_json(*token, *verdict) : scan_error_json(*token)};
}

Response oracle_route(const std::optional<std::string>& token, const ScanContext& context) {
  if (!token) {
    return {status_bad_request, content_type_text, std::string(oracle_missing_token_body)};
  }
  const std::optional<Verdict> verdict = scan_token(scan_thresholds, context, *token);
  return {status_ok, content_type_text,
          verdict ? oracle_line(*token, *verdict) : oracle_no_data_line(*token)};
}

}  // namespace tarnwick

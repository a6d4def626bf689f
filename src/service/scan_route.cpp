#include "service/scan_route.h"

#include "assess/hazards.h"
#include "assess/renderings.h"
#include "chain/scan_token.h"

namespace tarnwick {

Response scan_route(const std::optional<std::string>& token, const ScanContext& context,
                    JsonReader& reader) {
  if (!token) return {status_bad_request, content_type_json, std::string(scan_missing_token_body)};
  const std::optional<Verdict> verdict = scan_token(scan_thresholds, context, *token, reader);
  return {status_ok, content_type_json,
          verdict ? scan_json(*token, *verdict) : scan_error_json(*token)};
}

}  // namespace tarnwick

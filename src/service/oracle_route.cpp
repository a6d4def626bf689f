#include "service/oracle_route.h"

#include "assess/hazards.h"
#include "assess/renderings.h"
#include "chain/scan_token.h"

namespace tarnwick {

Response oracle_route(const std::optional<std::string>& token, const ScanContext& context,
                      JsonReader& reader) {
  if (!token) {
    return {status_bad_request, content_type_text, std::string(oracle_missing_token_body)};
  }
  const std::optional<Verdict> verdict = scan_token(scan_thresholds, context, *token, reader);
  return {status_ok, content_type_text,
          verdict ? oracle_line(*token, *verdict) : oracle_no_data_line(*token)};
}

}  // namespace tarnwick

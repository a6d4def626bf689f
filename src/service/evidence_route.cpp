#include "service/evidence_route.h"

#include <utility>
#include <variant>

#include "assess/evidence_json.h"
#include "assess/hazards.h"
#include "chain/read_session.h"
#include "chain/token_evidence.h"
#include "service/token_query.h"

namespace tarnwick {

Response evidence_route(std::string_view target, const ScanContext& context, JsonReader& reader) {
  std::variant<TokenQuery, Response> query = token_query(target);
  if (Response* refusal = std::get_if<Response>(&query)) return std::move(*refusal);
  const auto& [token, symbol] = std::get<TokenQuery>(query);
  ReadSession session(context.client, reader, evidence_budget());
  const std::optional<TokenEvidence> evidence =
      gather_evidence(scan_thresholds, context, token, symbol, session);
  // After the reads the node in use is the one that answered them (when none did, the one the
  // next read asks first).
  const std::string node = session.node_in_use();
  return {status_ok, content_type_json_utf8,
          evidence ? evidence_json(token, node, *evidence) : evidence_no_data_json(token, node)};
}

}  // namespace tarnwick

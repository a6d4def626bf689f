// The /scan and /oracle handlers: run one scan of the requested token and render its outcome.
// Without a valid token they answer 400 before anything is read from the chain; a token that
// cannot be read is not an HTTP error but "200 OK" with the no-data body.
#pragma once

#include <optional>
#include <string>

#include "chain/scan_context.h"
#include "service/response.h"

namespace tarnwick {

// application/json: {"error":"missing token"} (400), the no-data error object or the scan
// object with the alert report inside (200).
Response scan_route(const std::optional<std::string>& token, const ScanContext& context);

// text/plain: "missing token" (400), the no-data line or the one-line verdict (200).
Response oracle_route(const std::optional<std::string>& token, const ScanContext& context);

}  // namespace tarnwick

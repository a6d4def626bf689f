// GET /scan?token=<account>: the verdict of one token as the scan JSON, with the alert report.
#pragma once

#include <optional>
#include <string>

#include "chain/scan_context.h"
#include "service/connection.h"

namespace tarnwick {

class JsonReader;

// application/json: {"error":"missing token"} (400), the no-data error object or the scan
// object with the alert report inside (200). `reader` reads the replies (the serving loop keeps
// one between requests).
Response scan_route(const std::optional<std::string>& token, const ScanContext& context,
                    JsonReader& reader);

}  // namespace tarnwick

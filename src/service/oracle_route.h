// GET /oracle?token=<account>: the one-line verdict a bot reads before it trades.
#pragma once

#include <optional>
#include <string>

#include "chain/scan_context.h"
#include "service/connection.h"

namespace tarnwick {

class JsonReader;

// text/plain: "missing token" (400), the no-data line or the one-line verdict (200).
Response oracle_route(const std::optional<std::string>& token, const ScanContext& context,
                      JsonReader& reader);

}  // namespace tarnwick

// GET /evidence?token=<account>&symbol=<SYM>: the facts behind the verdict of one token.
#pragma once

#include <string_view>

#include "chain/scan_context.h"
#include "service/connection.h"

namespace tarnwick {

class JsonReader;

// {"error":"missing token"} (400, application/json, as /scan), {"error":"invalid symbol"} (400)
// for a symbol that is not 1 to 7 capitals A-Z, both before any read; else 200 application/json;
// charset=utf-8: the evidence object, or its no-data form.
Response evidence_route(std::string_view target, const ScanContext& context, JsonReader& reader);

}  // namespace tarnwick

#include "assess/verdict_json.h"

#include "assess/alert_report.h"
#include "assess/decimal.h"
#include "assess/json_text.h"
#include "assess/no_data_message.h"

namespace tarnwick {

namespace {

std::string_view json_bool(bool value) { return value ? "true" : "false"; }

}  // namespace

std::string scan_json(std::string_view token, const Verdict& verdict) {
  const std::string alert = alert_report(token, verdict);
  std::string out;
  out.reserve(alert.size() + 2 * token.size() + 160);  // fixed members and the alert's escapes
  out += "{\"token\":";
  append_json_quoted(out, token);
  out += ",\"level\":\"";
  out += level_name(verdict.level);
  out += "\",\"severity\":";
  append_decimal(out, verdict.severity);
  out += ",\"hazard\":";
  append_decimal(out, verdict.hazard);
  out += ",\"unverified\":";
  out += json_bool(verdict.unverified);
  out += ",\"block\":";
  out += json_bool(block(verdict));
  out += ",\"alert\":";
  append_json_quoted(out, alert);
  out += '}';
  return out;
}

std::string scan_error_json(std::string_view token) {
  std::string out;
  out.reserve(token.size() + no_data_message.size() + 32);
  out += "{\"token\":";
  append_json_quoted(out, token);
  out += ",\"error\":";
  append_json_quoted(out, no_data_message);
  out += '}';
  return out;
}

}  // namespace tarnwick

#include "assess/renderings.h"

#include <array>
#include <cstddef>

#include "common/text.h"

namespace tarnwick {
namespace {

std::string_view json_bool(bool value) { return value ? "true" : "false"; }

// Indexed by level index.
constexpr std::array<std::string_view, 3> oracle_tags{"OK", "WARN", "HALT"};

// The bytes that are not copied as they are: controls, the double quote and the backslash.
bool needs_care(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\'; }

}  // namespace

std::string alert_report(std::string_view token, const Verdict& verdict) {
  std::string out;
  out.reserve(768 + token.size());  // the longest report (seven reasons and the note) fits
  out += "+-- TARNWICK ";
  out += version_label;
  out += " --- ";
  out += network_label;
  out += " ---\n";
  out += "| token      : ";
  out += token;
  out += "\n| assessment : ";
  out += level_name(verdict.level);
  out += "\n| severity   : ";
  append_decimal(out, verdict.severity);
  out += "\n| hazard     : 0b";
  append_hazard_binary(out, verdict.hazard);
  out += "\n| reasons    :\n";
  for (unsigned bit = 0; bit < 7; ++bit) {
    if (!has_bit(verdict.hazard, bit)) continue;
    out += "|   [x] ";
    out += hazard_reason(bit);
    out += '\n';
  }
  if (verdict.hazard == 0) {
    out += "|   (none fired \u2014 no structural conditions detected)\n";
  }
  if (verdict.unverified) {
    out += "| note       : some inputs unverified \u2014 treat as incomplete\n";
  }
  out += "| disclaimer : structural risk only \u00b7 not financial advice \u00b7 DYOR\n";
  out += '+';
  out.append(62, '-');
  out += '\n';
  return out;
}

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

std::string oracle_line(std::string_view token, const Verdict& verdict) {
  std::string out;
  out.reserve(token.size() + 96);
  out += '[';
  out += oracle_tags[level_index(verdict.level)];
  out += "] ";
  out += token;
  out += ' ';
  out += level_name(verdict.level);
  out += " sev=";
  append_decimal(out, verdict.severity);
  out += " haz=0b";
  append_hazard_binary(out, verdict.hazard);
  if (verdict.unverified) out += " (unverified)";
  return out;
}

std::string oracle_no_data_line(std::string_view token) {
  std::string out;
  out.reserve(token.size() + no_data_message.size() + 20);
  out += "[WARN] ";
  out += token;
  out += " NO_DATA ";
  out += no_data_message;
  out += '\n';
  return out;
}

void append_json_escaped(std::string& out, std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!needs_care(c)) continue;
    out.append(text.substr(start, i - start));  // the unchanged run before this byte
    start = i + 1;
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: break;  // every other control character is dropped
    }
  }
  out.append(text.substr(start));
}

void append_json_quoted(std::string& out, std::string_view text) {
  out.push_back('"');
  append_json_escaped(out, text);
  out.push_back('"');
}

}  // namespace tarnwick

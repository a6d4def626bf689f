#include "assess/oracle_line.h"

#include <array>

#include "assess/decimal.h"
#include "assess/hazard_text.h"
#include "assess/no_data_message.h"

namespace tarnwick {

namespace {

// Indexed by level index.
constexpr std::array<std::string_view, 3> oracle_tags{"OK", "WARN", "HALT"};

}  // namespace

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

}  // namespace tarnwick

#include "assess/alert_report.h"

#include "assess/decimal.h"
#include "assess/hazard_text.h"
#include "assess/version_label.h"

namespace tarnwick {

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

}  // namespace tarnwick

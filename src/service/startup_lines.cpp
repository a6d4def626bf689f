#include "service/startup_lines.h"

#include <cstring>

#include "assess/version_label.h"

namespace tarnwick {
namespace {

std::string authority() { return std::string(listen_address) + ":" + std::to_string(listen_port); }

}  // namespace

std::string service_url() { return "http://" + authority(); }

std::string banner_line() {
  std::string line = "Tarnwick scanner ";
  line.append(version_label).append(" \u00B7 ").append(service_url());
  line.append(" \u00B7 read-only \u00B7 non-custodial \u00B7 know before you ape\n");
  return line;
}

std::string bind_failure_line(int error) {
  std::string line = "Tarnwick: cannot bind " + authority() + " \u2014 ";
  line.append(std::strerror(error))
      .append(" (os error ")
      .append(std::to_string(error))
      .append(")\n");
  return line;
}

}  // namespace tarnwick

#include "service/request_guards.h"

#include <array>

#include "chain/utf8_text.h"

namespace tarnwick {
namespace {

constexpr std::array<std::string_view, 2> allowed_authorities = {"127.0.0.1:8070",
                                                                 "localhost:8070"};

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ascii_case_insensitive(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

// True when one header line is a Host line naming an allowed authority.
bool is_allowed_host_line(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  if (!equals_ascii_case_insensitive(trim_white_space(line.substr(0, colon)), "host")) return false;
  std::string value(trim_white_space(line.substr(colon + 1)));
  for (char& c : value) c = ascii_lower(c);
  for (const std::string_view allowed : allowed_authorities) {
    if (value == allowed) return true;
  }
  return false;
}

}  // namespace

bool method_allowed(std::string_view request) { return request.starts_with("GET "); }

bool host_allowed(std::string_view request) {
  std::string_view head = request.substr(0, request.find("\r\n\r\n"));
  if (!is_valid_utf8(head)) return false;
  // Drop the request line; what follows its CR LF are the header lines.
  std::size_t line_end = head.find("\r\n");
  while (line_end != std::string_view::npos) {
    head.remove_prefix(line_end + 2);
    line_end = head.find("\r\n");
    if (is_allowed_host_line(head.substr(0, line_end))) return true;
  }
  return false;
}

std::string request_target(std::string_view request) {
  const std::string_view first_line = request.substr(0, request.find_first_of("\r\n"));
  if (!is_valid_utf8(first_line)) return "/";
  const std::size_t first_space = first_line.find(' ');
  if (first_space == std::string_view::npos) return "/";
  const std::string_view rest = first_line.substr(first_space + 1);
  return std::string(rest.substr(0, rest.find(' ')));
}

std::string_view request_path(std::string_view target) {
  return target.substr(0, target.find('?'));
}

bool is_token_name(std::string_view value) {
  if (value.empty() || value.size() > 12 || value.back() == '.') return false;
  for (const char c : value) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= '1' && c <= '5') || c == '.';
    if (!allowed) return false;
  }
  return true;
}

std::optional<std::string> token_param(std::string_view request, std::string_view key) {
  const std::string target = request_target(request);
  const std::size_t question = target.find('?');
  if (question == std::string::npos) return std::nullopt;
  std::string_view query = std::string_view(target).substr(question + 1);
  query = query.substr(0, query.find('?'));
  while (true) {
    const std::size_t amp = query.find('&');
    const std::string_view piece = query.substr(0, amp);
    const std::size_t equals = piece.find('=');
    if (piece.substr(0, equals) == key) {
      const std::string_view value =
          equals == std::string_view::npos ? std::string_view{} : piece.substr(equals + 1);
      if (!is_token_name(value)) return std::nullopt;
      return std::string(value);
    }
    if (amp == std::string_view::npos) return std::nullopt;
    query.remove_prefix(amp + 1);
  }
}

}  // namespace tarnwick

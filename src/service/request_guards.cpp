#include "service/request_guards.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "assess/token_amounts.h"
#include "common/account_name.h"
#include "common/text.h"
#include "service/listener.h"

namespace tarnwick {
namespace {

// The authorities clients address the service by: its address and localhost, on its port.
bool is_service_authority(std::string_view value) {
  const std::string lower = ascii_lower(value);
  return lower == service_authority() || lower == "localhost:" + std::to_string(listen_port);
}

// The origins of the cockpit page: http:// and one of the authorities above.
bool is_service_origin(std::string_view value) {
  const std::string lower = ascii_lower(value);
  return lower.starts_with("http://") && is_service_authority(std::string_view(lower).substr(7));
}

// True when `matches(name, value)` holds for a header line of the head (the bytes before the first
// CR LF CR LF, all of them if there is none; no lines when it is not valid UTF-8). Header lines
// are the CR LF separated pieces after the request line, cut at their first ':' (a line without
// one is skipped); name and value come trimmed of Unicode White_Space. The search stops at the
// first match.
template <typename Matches>
bool any_header_line(std::string_view request, Matches matches) {
  std::string_view head = request.substr(0, request.find("\r\n\r\n"));
  if (!is_valid_utf8(head)) return false;
  // Drop the request line; what follows its CR LF are the header lines.
  std::size_t line_end = head.find("\r\n");
  while (line_end != std::string_view::npos) {
    head.remove_prefix(line_end + 2);
    line_end = head.find("\r\n");
    const std::string_view line = head.substr(0, line_end);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (matches(trim_white_space(line.substr(0, colon)), trim_white_space(line.substr(colon + 1))))
      return true;
  }
  return false;
}

}  // namespace

bool method_allowed(std::string_view request) { return request.starts_with("GET "); }

bool host_allowed(std::string_view request) {
  return any_header_line(request, [](std::string_view name, std::string_view value) {
    return equals_ignoring_ascii_case(name, "host") && is_service_authority(value);
  });
}

bool origin_allowed(std::string_view request) {
  const auto fetch_site_is = [&request](std::initializer_list<std::string_view> sites) {
    return any_header_line(request, [sites](std::string_view name, std::string_view value) {
      if (!equals_ignoring_ascii_case(name, "sec-fetch-site")) return false;
      const std::string site = ascii_lower(value);
      return std::find(sites.begin(), sites.end(), site) != sites.end();
    });
  };
  const bool from_elsewhere =
      fetch_site_is({"cross-site", "same-site"}) ||
      any_header_line(request, [](std::string_view name, std::string_view value) {
        return equals_ignoring_ascii_case(name, "origin") && !is_service_origin(value);
      });
  if (from_elsewhere) return false;
  // The one read ends inside the head: the lines that mark another site may lie beyond it (a page
  // can pad its URL to push them there). Only the browser's own word for its page is trusted then.
  const bool head_complete = request.find("\r\n\r\n") != std::string_view::npos;
  return head_complete || fetch_site_is({"same-origin", "none"});
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

namespace {

// The value of the first query piece of `target` whose key is exactly `key` (empty when the piece
// has no '='); none when there is no query or no such piece.
std::optional<std::string_view> query_value(std::string_view target, std::string_view key) {
  const std::size_t question = target.find('?');
  if (question == std::string::npos) return std::nullopt;
  std::string_view query = target.substr(question + 1);
  query = query.substr(0, query.find('?'));
  while (true) {
    const std::size_t amp = query.find('&');
    const std::string_view piece = query.substr(0, amp);
    const std::size_t equals = piece.find('=');
    if (piece.substr(0, equals) == key) {
      return equals == std::string_view::npos ? std::string_view{} : piece.substr(equals + 1);
    }
    if (amp == std::string_view::npos) return std::nullopt;
    query.remove_prefix(amp + 1);
  }
}

}  // namespace

std::optional<std::string> token_param(std::string_view target, std::string_view key) {
  const std::optional<std::string_view> value = query_value(target, key);
  if (!value || !is_account_name(*value)) return std::nullopt;
  return std::string(*value);
}

SymbolParam symbol_param(std::string_view target) {
  const std::optional<std::string_view> value = query_value(target, "symbol");
  if (!value || value->empty()) return {};
  if (!is_symbol_code(*value)) return {.kind = SymbolParam::Kind::invalid, .symbol = {}};
  return {.kind = SymbolParam::Kind::given, .symbol = std::string(*value)};
}

}  // namespace tarnwick

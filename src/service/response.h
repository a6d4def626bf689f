// Response: the three values every handler returns and write_response frames. Status texts and
// content types are the complete sets the service ever sends.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

inline constexpr std::string_view status_ok = "200 OK";
inline constexpr std::string_view status_bad_request = "400 Bad Request";
inline constexpr std::string_view status_forbidden = "403 Forbidden";
inline constexpr std::string_view status_not_found = "404 Not Found";
inline constexpr std::string_view status_method_not_allowed = "405 Method Not Allowed";

inline constexpr std::string_view content_type_text = "text/plain";
inline constexpr std::string_view content_type_html = "text/html; charset=utf-8";
inline constexpr std::string_view content_type_json = "application/json";

struct Response {
  std::string_view status;        // one of the status_* constants above
  std::string_view content_type;  // one of the content_type_* constants above
  std::string body;               // UTF-8 bytes; its byte length is the Content-Length
};

}  // namespace tarnwick

// UTF-8 text helpers shared by every reader of outside bytes (requests, chain replies, the
// prior-rug file, the update manifest): strict validation, lossy conversion and white-space trim.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF,
// no truncated sequence.
bool is_valid_utf8(std::string_view bytes);

// `bytes` as UTF-8 text, every ill-formed sequence replaced by U+FFFD (one replacement per maximal
// ill-formed subpart). Never fails.
std::string to_utf8_lossy(std::string_view bytes);

// True for the characters with the Unicode White_Space property.
bool is_white_space(char32_t c);

// `text` without White_Space characters at either end. REQUIRES: `text` is valid UTF-8.
std::string_view trim_white_space(std::string_view text);

}  // namespace tarnwick

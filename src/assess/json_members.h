// The members of the service's own one-line JSON answers, written from fixed templates: a member
// after the first is ,"key":value, texts always through append_json_quoted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// ,"key":
void append_key(std::string& out, std::string_view key);

// ,"key":"value" with the value escaped.
void append_text_member(std::string& out, std::string_view key, std::string_view value);

// ,"key":"value" with the value escaped, or ,"key":null when the value is empty (none known).
void append_text_or_null(std::string& out, std::string_view key, std::string_view value);

// ,"key":true or ,"key":false
void append_bool_member(std::string& out, std::string_view key, bool value);

// ["a","b",...], each escaped.
void append_text_list(std::string& out, const std::vector<std::string>& texts);
void append_text_list(std::string& out, const std::vector<std::string_view>& texts);

}  // namespace tarnwick

// Fuzz target: parse_prior_rugs on arbitrary file bytes. Checked on every input: every name is 1
// to 13 bytes of a-z, 1-5 and '.'; bytes that are not valid UTF-8 give the empty list; every name
// appears in the file; parsing is deterministic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "chain/prior_rug_list.h"
#include "chain/utf8_text.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

bool is_name_byte(char c) { return (c >= 'a' && c <= 'z') || (c >= '1' && c <= '5') || c == '.'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const tarnwick::PriorRugList list = tarnwick::parse_prior_rugs(bytes);
  if (!tarnwick::is_valid_utf8(bytes)) require(list.names.empty());
  for (const std::string& name : list.names) {
    require(!name.empty() && name.size() <= 13);
    for (const char c : name) require(is_name_byte(c));
    require(bytes.find(name) != std::string_view::npos);
    require(list.contains(name));
  }
  require(tarnwick::parse_prior_rugs(bytes).names == list.names);
  return 0;
}

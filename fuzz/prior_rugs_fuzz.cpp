// Fuzz target: parse_prior_rugs on arbitrary file bytes. Checked on every input: every stored
// code stands for a name of 1 to 13 bytes of a-z, 1-5 and '.', not ending in '.', that appears in
// the file and that the list then contains; bytes that are not valid UTF-8 give the empty list;
// the codes are ascending and distinct; handing the bytes over in two pieces, split anywhere (as
// reads of the file do), gives the same list; parsing is deterministic.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "chain/prior_rug_list.h"
#include "common/account_name.h"
#include "common/text.h"

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
  require(std::adjacent_find(list.names.begin(), list.names.end(),
                             [](std::uint64_t a, std::uint64_t b) { return a >= b; }) ==
          list.names.end());
  for (const std::uint64_t code : list.names) {
    const std::string name = tarnwick::decode_account_name(code);
    require(!name.empty() && name.size() <= 13 && name.back() != '.');
    for (const char c : name) require(is_name_byte(c));
    require(bytes.find(name) != std::string_view::npos);
    require(list.contains(name));
    require(tarnwick::encode_account_name(name) == code);
  }
  const std::size_t split = size == 0 ? 0 : data[0] % (size + 1);
  tarnwick::PriorRugListBuilder builder;
  builder.take(bytes.substr(0, split));
  builder.take(bytes.substr(split));
  require(builder.finish().names == list.names);
  require(tarnwick::parse_prior_rugs(bytes).names == list.names);
  return 0;
}

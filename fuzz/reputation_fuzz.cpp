// Fuzz target: scale_reputation on arbitrary strings, and on the same bytes read as each JSON
// number kind. Checked on every input: a score is at most 100; a string the decimal parser
// accepts is also read whole by strtod, and both readings give the same score.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "assess/verdict.h"
#include "common/text.h"

namespace {

using namespace tarnwick;

void require(bool condition) {
  if (!condition) std::abort();
}

std::optional<std::uint8_t> checked_score(const RawReputation& raw) {
  const std::optional<std::uint8_t> score = scale_reputation(raw);
  require(!score || *score <= 100);
  return score;
}

template <typename T>
T leading(std::string_view bytes) {
  T value{};
  std::memcpy(&value, bytes.data(), bytes.size() < sizeof value ? bytes.size() : sizeof value);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::uint8_t> score = checked_score(RawReputation{text});
  const std::optional<double> parsed = parse_decimal_double(text);
  if (parsed && text.find('\0') == std::string::npos) {
    char* end = nullptr;
    const double reference = std::strtod(text.c_str(), &end);
    require(end == text.c_str() + text.size());
    require(checked_score(RawReputation{reference}) == score);
  }
  checked_score(RawReputation{leading<std::uint64_t>(text)});
  checked_score(RawReputation{leading<std::int64_t>(text)});
  checked_score(RawReputation{leading<double>(text)});
  checked_score(RawReputation{std::monostate{}});
  return 0;
}

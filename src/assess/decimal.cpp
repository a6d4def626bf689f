#include "assess/decimal.h"

#include <array>
#include <charconv>

namespace tarnwick {

void append_decimal(std::string& out, std::uint32_t value) {
  std::array<char, 10> digits{};  // 4294967295 has ten digits
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  out.append(digits.data(), result.ptr);
}

}  // namespace tarnwick

// Decimal text of unsigned numbers, appended without padding and without allocating beyond `out`.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

void append_decimal(std::string& out, std::uint32_t value);

}  // namespace tarnwick

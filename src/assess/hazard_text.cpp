#include "assess/hazard_text.h"

#include <array>
#include <cstddef>

namespace tarnwick {

namespace {

// Indexed by bit number; the one table of reason texts.
constexpr std::array<std::string_view, 7> reason_texts{
    "liquidity thin / not locked (shallow order book)",
    "top holders control a large share",
    "abnormal on-chain promo/tx velocity",
    "contract owner retains privilege keys",
    "deployer is a fresh/throwaway account",
    "deployer has prior rug history",
    "low external bot-reputation score",
};

}  // namespace

std::string_view hazard_reason(unsigned bit) {
  return bit < reason_texts.size() ? reason_texts[bit] : std::string_view{};
}

void append_hazard_binary(std::string& out, HazardBits bits) {
  for (unsigned bit = 8; bit-- > 0;) {
    out.push_back(has_bit(bits, bit) ? '1' : '0');
  }
}

}  // namespace tarnwick

#include "common/account_name.h"

namespace tarnwick {
namespace {

constexpr std::string_view alphabet = ".12345abcdefghijklmnopqrstuvwxyz";
constexpr std::size_t five_bit_places = 12;
constexpr std::size_t longest_name = 13;

std::optional<std::uint64_t> symbol_of(char c) {
  if (c == '.') return 0;
  if (c >= '1' && c <= '5') return static_cast<std::uint64_t>(c - '1' + 1);
  if (c >= 'a' && c <= 'z') return static_cast<std::uint64_t>(c - 'a' + 6);
  return std::nullopt;
}

// Where character `place` sits: 5 bits from the top for the first twelve, the low 4 bits last.
unsigned shift_of(std::size_t place) {
  return place < five_bit_places ? static_cast<unsigned>(64 - 5 * (place + 1)) : 0U;
}

}  // namespace

bool is_account_name(std::string_view text) {
  return text.size() <= five_bit_places && encode_account_name(text).has_value();
}

std::optional<std::uint64_t> encode_account_name(std::string_view name) {
  if (name.empty() || name.size() > longest_name || name.back() == '.') return std::nullopt;
  std::uint64_t code = 0;
  for (std::size_t place = 0; place < name.size(); ++place) {
    const std::optional<std::uint64_t> symbol = symbol_of(name[place]);
    if (!symbol) return std::nullopt;
    if (place == five_bit_places && *symbol > 0x0F) return std::nullopt;
    code |= *symbol << shift_of(place);
  }
  return code;
}

std::string decode_account_name(std::uint64_t code) {
  std::string name;
  for (std::size_t place = 0; place < longest_name; ++place) {
    const std::uint64_t mask = place < five_bit_places ? 0x1F : 0x0F;
    name += alphabet[(code >> shift_of(place)) & mask];
  }
  name.erase(name.find_last_not_of('.') + 1);
  return name;
}

}  // namespace tarnwick

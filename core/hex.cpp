#include "hex.h"

namespace quorix {

std::int16_t Str_Int(std::string_view a) noexcept { return a.empty() ? std::int16_t{0} : digitValue(a.front()); }

std::int16_t Str_Hex(std::string_view hxx) noexcept {
  const std::int16_t hi = Str_Int(hxx.substr(0, 1));
  const std::int16_t lo = hxx.size() < 2 ? std::int16_t{0} : Str_Int(hxx.substr(1, 1));
  return static_cast<std::int16_t>(hi * 16 + lo);
}

std::string Hexx(long long X) {
  const auto low = static_cast<unsigned>(static_cast<unsigned long long>(X) & 0xFFU);
  return {hexDigit(low >> 4U), hexDigit(low)};
}

std::string toCharUnits(std::string_view utf8) {
  std::string units;
  units.reserve(utf8.size());
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80U) {
      units.push_back(c);
    } else if ((b & 0xC0U) != 0x80U) {
      // Lead byte of a multi-byte character; its continuation bytes add nothing.
      units.push_back(kForeignChar);
    }
  }
  return units;
}

}  // namespace quorix

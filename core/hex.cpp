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

}  // namespace quorix

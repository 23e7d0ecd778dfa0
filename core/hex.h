// Hexadecimal digits, bytes and the byte text that serial terminals show and send.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorix {

// One cell of byte text: two hexadecimal digits and a separator.
inline constexpr std::size_t kCellWidth = 3;

// Characters beyond ASCII that texts from terminals, editors and other
// programs bring, as UTF-8: a byte-order mark before the first line, the
// no-break and ideographic (full-width) spaces that count as blanks, and the
// line and paragraph separators that end lines.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
inline constexpr std::string_view kNoBreakSpace = "\xC2\xA0";
inline constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
inline constexpr std::string_view kLineSeparator = "\xE2\x80\xA8";
inline constexpr std::string_view kParagraphSeparator = "\xE2\x80\xA9";

// Value 0..15 of one hexadecimal digit; anything else counts as 0.
constexpr std::int16_t digitValue(char c) noexcept {
  if (c >= '0' && c <= '9') return static_cast<std::int16_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<std::int16_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<std::int16_t>(c - 'a' + 10);
  return 0;
}

constexpr bool isHexDigit(char c) noexcept {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The value of every byte as a hexadecimal digit, kNoDigit for the others:
// a lookup for the loops over whole files and byte texts.
inline constexpr unsigned char kNoDigit = 0xFF;
constexpr std::array<unsigned char, 256> makeDigitValues() noexcept {
  std::array<unsigned char, 256> values{};
  for (std::size_t c = 0; c < values.size(); ++c) {
    const auto ch = static_cast<char>(c);
    values[c] = isHexDigit(ch) ? static_cast<unsigned char>(digitValue(ch)) : kNoDigit;
  }
  return values;
}
inline constexpr std::array<unsigned char, 256> kDigitValues = makeDigitValues();

// The value of a byte's two hexadecimal digits as they stand, in either letter
// case; both must be digits.
constexpr unsigned byteValue(char hi, char lo) noexcept {
  return kDigitValues[static_cast<unsigned char>(hi)] * 16U + kDigitValues[static_cast<unsigned char>(lo)];
}

// Value of the first character of `a` as a hexadecimal digit; the empty string gives 0.
std::int16_t Str_Int(std::string_view a) noexcept;

// Byte value 0..255 spelled by the first two characters of `hxx`; a missing
// or non-hexadecimal character counts as the digit 0.
std::int16_t Str_Hex(std::string_view hxx) noexcept;

// The low byte of `X` as exactly two upper-case hexadecimal digits.
std::string Hexx(long long X);

// Upper-case digit for a value 0..15.
constexpr char hexDigit(unsigned v) noexcept { return "0123456789ABCDEF"[v & 0xFU]; }

// The low 4 × N bits of `value` as N upper-case digits, leading zeros kept.
template <std::size_t N>
constexpr std::array<char, N> hexDigits(std::uint64_t value) noexcept {
  std::array<char, N> digits{};
  for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit, value >>= 4U) {
    *digit = hexDigit(static_cast<unsigned>(value));
  }
  return digits;
}

// An address as the program shows it: eight upper-case digits in a 32-bit
// text, the low four in a 16-bit one.
inline std::string addressText(std::uint64_t address, bool wide) {
  const std::array<char, 8> digits = hexDigits<8>(address);
  return wide ? std::string(digits.data(), digits.size()) : std::string(digits.data() + 4, 4);
}

}  // namespace quorix

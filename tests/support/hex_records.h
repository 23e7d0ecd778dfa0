// Well-formed Intel HEX record lines and byte texts for tests and benchmarks.
// Built without the program's own hex code, so that they stay an independent
// check of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorix::testing {

// Value 0..15 of a hexadecimal digit, -1 for any other character.
inline int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The low byte of `v` as two digits.
inline std::string hexByte(unsigned v, bool lower = false) {
  const char* digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
  return {digits[(v >> 4U) & 0xFU], digits[v & 0xFU]};
}

// One record line with its checksum, without a line end; `dataText` holds
// the data digits as they should stand in the file (their case is free).
inline std::string recordLine(unsigned address, unsigned type, std::string_view dataText) {
  const auto count = static_cast<unsigned>(dataText.size() / 2);
  unsigned sum = count + (address >> 8U) + (address & 0xFFU) + type;
  for (std::size_t i = 0; i + 1 < dataText.size(); i += 2) {
    sum += static_cast<unsigned>(hexValue(dataText[i]) * 16 + hexValue(dataText[i + 1]));
  }
  return ":" + hexByte(count) + hexByte(address >> 8U) + hexByte(address) + hexByte(type) + std::string(dataText) +
         hexByte(0x100U - (sum & 0xFFU));
}

// The same with the data as byte values.
inline std::string record(unsigned address, unsigned type, const std::vector<unsigned>& data) {
  std::string digits;
  for (const unsigned b : data) digits += hexByte(b);
  return recordLine(address, type, digits);
}

// The lines joined, each followed by `eol`: the text of a file.
inline std::string lines(const std::vector<std::string>& records, std::string_view eol = "\r\n") {
  std::string text;
  for (const auto& r : records) text.append(r).append(eol);
  return text;
}

// `count` copies of one cell, such as "FF ".
inline std::string cells(std::string_view cell, std::size_t count) {
  std::string s;
  s.reserve(cell.size() * count);
  for (std::size_t i = 0; i < count; ++i) s.append(cell);
  return s;
}

}  // namespace quorix::testing

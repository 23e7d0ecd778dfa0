// Well-formed Intel HEX record lines and byte texts for tests and benchmarks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hex.h"

namespace quorix::testing {

// One record line with its checksum, without a line end.
inline std::string record(unsigned address, unsigned type, const std::vector<unsigned>& data) {
  std::string line = ":" + Hexx(static_cast<long long>(data.size())) + Hexx(address >> 8U) + Hexx(address) + Hexx(type);
  unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8U) + (address & 0xFFU) + type;
  for (const unsigned b : data) {
    line += Hexx(b);
    sum += b;
  }
  return line + Hexx(-static_cast<long long>(sum));
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

// Well-formed Intel HEX record lines for tests and benchmarks.
#pragma once

#include <string>
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

}  // namespace quorix::testing

// An image: bytes at addresses, the model between the formats. Reading a HEX
// file builds one and writes it out as byte text; saving reads byte text into
// one and writes it out as records.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorix {

// Bytes at consecutive addresses, as one source gave them (a record, a run of
// byte text). The digits belong to the source's text and live as long as it.
struct ImageRange {
  std::uint64_t address = 0;
  std::string_view digits;  // two hexadecimal digits per byte, letter case as the source spelled them
  std::size_t line = 0;     // the source's line that gave the range, counting from 1

  [[nodiscard]] std::uint64_t size() const noexcept { return digits.size() / 2; }
  [[nodiscard]] std::uint64_t end() const noexcept { return address + size(); }
};

using Image = std::vector<ImageRange>;

// Orders the ranges by address; among ranges that begin at one address the
// source's order stays. An image that is in order already (the usual file)
// costs one pass.
inline void sortByAddress(Image& image) {
  const auto byAddress = [](const ImageRange& a, const ImageRange& b) { return a.address < b.address; };
  if (!std::is_sorted(image.begin(), image.end(), byAddress)) {
    std::stable_sort(image.begin(), image.end(), byAddress);
  }
}

}  // namespace quorix

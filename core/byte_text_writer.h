// Writing an image as byte text: the cells "3A 0F FF " of serial terminals,
// in blocks with an address line before each when there are several.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "image.h"

namespace quorix {

// All blocks of a byte text together hold at most this many cells.
inline constexpr std::uint64_t kMaxReadCells = std::uint64_t{1} << 24;

// A gap of this many addresses or more between two bytes starts a new block;
// a smaller one is filled with "FF " cells.
inline constexpr std::uint64_t kBlockGap = 0x10000;

// Cells at consecutive addresses: from the 256-byte page of the block's
// lowest byte up to its last byte.
struct ByteTextBlock {
  std::uint64_t address = 0;  // of its first cell
  std::uint64_t end = 0;      // one past its last byte
  std::size_t firstRange = 0;
  std::size_t endRange = 0;  // one past its last range in the image

  [[nodiscard]] std::uint64_t cells() const noexcept { return end - address; }
};

// How an image lies out as byte text.
struct ByteTextLayout {
  std::vector<ByteTextBlock> blocks;

  [[nodiscard]] std::uint64_t cells() const noexcept;
  // The address of cell 0 as Text5 shows it: four upper-case digits when the
  // whole text lies at or below FFFF, else eight. Empty for no blocks.
  [[nodiscard]] std::string startAddressText() const;
};

// The blocks of `image`, whose ranges are in ascending address order and do
// not overlap.
[[nodiscard]] ByteTextLayout layOut(const Image& image);

// Hands the byte text of `image`, laid out as `layout`, to `sink` in slices
// of a few hundred kilobytes. One block is its cells alone; several are each
// an address line ("@" and eight upper-case digits, a line break) and their
// cells, with a line break before the next address line. With
// `leadingAddressLine`, a single block gets its address line too, with the
// digits startAddressText() shows. Data digits keep their letter case.
void writeByteText(const Image& image, const ByteTextLayout& layout, bool leadingAddressLine,
                   const std::function<void(std::string_view)>& sink);

}  // namespace quorix

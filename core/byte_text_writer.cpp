#include "byte_text_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "hex.h"
#include "intel_hex.h"

namespace quorix {

namespace {

constexpr std::uint64_t kPageSize = 0x100;

// The cells of one slice: 16 Ki cells, 48 KiB of text, which stay in the cache.
constexpr std::size_t kSliceCells = std::size_t{1} << 14;
// Room for an address line and its line breaks.
constexpr std::size_t kAddressLineRoom = 16;

// "FF " cells to copy fill from.
using FillBlock = std::array<char, 256 * kCellWidth>;
constexpr FillBlock makeFillBlock() {
  FillBlock block{};
  for (std::size_t i = 0; i < block.size(); i += kCellWidth) {
    block[i] = 'F';
    block[i + 1] = 'F';
    block[i + 2] = ' ';
  }
  return block;
}
constexpr FillBlock kFillBlock = makeFillBlock();

// Collects text in a buffer of fixed size and hands it on whenever it is full.
class SliceOut {
 public:
  explicit SliceOut(const std::function<void(std::string_view)>& sink) : sink_(sink) {}

  void addressLine(std::string_view digits, bool afterCells) {
    room(kAddressLineRoom);
    if (afterCells) put("\n");
    put("@");
    put(digits);
    put("\n");
  }

  void fill(std::uint64_t cells) {
    while (cells > 0) {
      const auto now =
          static_cast<std::size_t>(std::min<std::uint64_t>({cells, kFillBlock.size() / kCellWidth, freeCells()}));
      put(std::string_view(kFillBlock.data(), now * kCellWidth));
      cells -= now;
      if (freeCells() == 0) flush();
    }
  }

  void data(std::string_view digits) {
    while (!digits.empty()) {
      const std::size_t now = std::min<std::size_t>(digits.size() / 2, freeCells());
      char* out = buffer_.data() + used_;
      for (std::size_t k = 0; k < now; ++k, out += kCellWidth) {
        out[0] = digits[2 * k];
        out[1] = digits[2 * k + 1];
        out[2] = ' ';
      }
      used_ += now * kCellWidth;
      digits.remove_prefix(2 * now);
      if (freeCells() == 0) flush();
    }
  }

  void flush() {
    if (used_ > 0) sink_(std::string_view(buffer_.data(), used_));
    used_ = 0;
  }

 private:
  [[nodiscard]] std::size_t freeCells() const noexcept {
    return used_ >= kSliceCells * kCellWidth ? 0 : (kSliceCells * kCellWidth - used_) / kCellWidth;
  }
  void room(std::size_t chars) {
    if (used_ + chars > kBufferSize) flush();
  }
  void put(std::string_view text) {
    std::memcpy(buffer_.data() + used_, text.data(), text.size());
    used_ += text.size();
  }

  static constexpr std::size_t kBufferSize = kSliceCells * kCellWidth + kAddressLineRoom;

  const std::function<void(std::string_view)>& sink_;
  // Left unset: only what is written is handed on.
  std::array<char, kBufferSize> buffer_;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  std::size_t used_ = 0;
};

}  // namespace

std::uint64_t ByteTextLayout::cells() const noexcept {
  std::uint64_t total = 0;
  for (const ByteTextBlock& block : blocks) total += block.cells();
  return total;
}

std::string ByteTextLayout::startAddressText() const {
  if (blocks.empty()) return {};
  return addressText(blocks.front().address, blocks.back().end > kRecordRange);
}

ByteTextLayout layOut(const Image& image) {
  ByteTextLayout layout;
  for (std::size_t i = 0; i < image.size(); ++i) {
    const ImageRange& range = image[i];
    if (layout.blocks.empty() || range.address - layout.blocks.back().end >= kBlockGap) {
      layout.blocks.push_back({range.address & ~(kPageSize - 1), range.end(), i, i + 1});
    } else {
      layout.blocks.back().end = range.end();
      layout.blocks.back().endRange = i + 1;
    }
  }
  return layout;
}

void writeByteText(const Image& image, const ByteTextLayout& layout, bool leadingAddressLine,
                   const std::function<void(std::string_view)>& sink) {
  SliceOut out(sink);
  const bool addressLines = layout.blocks.size() > 1;
  if (leadingAddressLine && !addressLines && !layout.blocks.empty()) {
    out.addressLine(layout.startAddressText(), false);
  }
  for (std::size_t b = 0; b < layout.blocks.size(); ++b) {
    const ByteTextBlock& block = layout.blocks[b];
    if (addressLines) {
      const std::array<char, 8> digits = hexDigits<8>(block.address);
      out.addressLine(std::string_view(digits.data(), digits.size()), b > 0);
    }
    std::uint64_t next = block.address;
    for (std::size_t i = block.firstRange; i < block.endRange; ++i) {
      out.fill(image[i].address - next);
      out.data(image[i].digits);
      next = image[i].end();
    }
  }
  out.flush();
}

}  // namespace quorix

// Where each byte of a byte text stands in it: the text offset of each cell's
// first digit, ascending. A 16 MiB image has 16 million cells, so the offsets
// are held as one in full for every 64 cells and, for each other cell, its
// step from the one before in a byte: a little over a byte a cell, not four.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace quorix {

class CellPlaces {
 public:
  [[nodiscard]] std::size_t size() const noexcept { return steps_.size(); }
  [[nodiscard]] bool empty() const noexcept { return steps_.empty(); }
  // Keeps the storage, for the places of the next text.
  void clear() noexcept {
    anchors_.clear();
    steps_.clear();
    far_.clear();
    last_ = 0;
  }
  void reserve(std::size_t cells) {
    anchors_.reserve(cells / kBlock + 1);
    steps_.reserve(cells);
  }
  [[nodiscard]] std::size_t capacity() const noexcept { return steps_.capacity(); }

  // The next cell's offset, at or after the last one's.
  void push_back(std::uint32_t place) {
    const std::size_t cell = steps_.size();
    if (cell % kBlock == 0) {
      anchors_.push_back(place);
      steps_.push_back(0);
    } else if (place - last_ < kFar) {
      steps_.push_back(static_cast<std::uint8_t>(place - last_));
    } else {
      steps_.push_back(kFar);
      far_.emplace_back(cell, place);
    }
    last_ = place;
  }
  // `count` more cells at `place`: a dump's "*" line stands for the bytes it repeats.
  void append(std::size_t count, std::uint32_t place) {
    for (; count > 0; --count) push_back(place);
  }

  [[nodiscard]] std::uint32_t operator[](std::size_t cell) const noexcept {
    const std::size_t block = cell / kBlock;
    std::uint32_t place = anchors_[block];
    for (std::size_t c = block * kBlock + 1; c <= cell; ++c) place = stepTo(c, place);
    return place;
  }

  // The first cell at or after text offset `at`, and the first after it; size() for none.
  [[nodiscard]] std::size_t lowerBound(std::size_t at) const noexcept {
    return partitionPoint([at](std::uint32_t place) { return place < at; });
  }
  [[nodiscard]] std::size_t upperBound(std::size_t at) const noexcept {
    return partitionPoint([at](std::uint32_t place) { return place <= at; });
  }

  bool operator==(const CellPlaces&) const = default;

 private:
  static constexpr std::size_t kBlock = 64;
  static constexpr std::uint32_t kFar = 255;  // a step that does not fit: the offset is in far_

  [[nodiscard]] std::uint32_t stepTo(std::size_t cell, std::uint32_t before) const noexcept {
    if (steps_[cell] != kFar) return before + steps_[cell];
    const auto far =
        std::lower_bound(far_.begin(), far_.end(), cell,
                         [](const std::pair<std::size_t, std::uint32_t>& f, std::size_t c) { return f.first < c; });
    return far->second;
  }

  // The first cell whose offset `before` does not hold for; the offsets ascend.
  template <typename Before>
  [[nodiscard]] std::size_t partitionPoint(Before before) const noexcept {
    const auto block = std::partition_point(anchors_.begin(), anchors_.end(), before);
    if (block == anchors_.begin()) return 0;
    std::size_t cell = static_cast<std::size_t>(block - anchors_.begin() - 1) * kBlock;
    std::uint32_t place = anchors_[cell / kBlock];
    const std::size_t end = std::min(size(), cell + kBlock);
    while (++cell < end) {
      place = stepTo(cell, place);
      if (!before(place)) return cell;
    }
    return end;
  }

  std::vector<std::uint32_t> anchors_;                      // the offset of every 64th cell
  std::vector<std::uint8_t> steps_;                         // from the cell before; 0 for an anchored cell
  std::vector<std::pair<std::size_t, std::uint32_t>> far_;  // cells a step too long leads to, ascending
  std::uint32_t last_ = 0;
};

}  // namespace quorix

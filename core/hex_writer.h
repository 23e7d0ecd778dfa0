// Writing an image as Intel HEX records.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "image.h"

namespace quorix {

// Bytes of a range that one data record holds at most; a range's records
// stand at its address + 16 × k.
inline constexpr std::size_t kBlockCells = 16;

// Writes the records of `image` (ranges in ascending address order, none
// overlapping, every byte within the file's width) and the end-of-file
// record, each line without its line end. Each block of 16 cells loses the
// upper-case "FF" cells at its end, fill as the reader writes it, and gives
// one data record, or two where it crosses a 64 KiB boundary; a block of
// nothing else gives none. Every letter is written upper case. A 32-bit
// (`extended`) file has an extended linear address record before the first
// data record of each 64 KiB range. `writeLine` gets each line as soon as it
// is made and answers false when it could not be written: nothing further is
// tried and the result is false. `progress` gets the count of cells taken
// after each block, before its records, and once more at the end when
// `finalBarStep` asks for it.
bool writeRecords(const Image& image, bool extended, const std::function<bool(std::string_view)>& writeLine,
                  const std::function<void(std::size_t)>& progress, bool finalBarStep = false);

}  // namespace quorix

// Writing byte text as an Intel HEX file.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "hex.h"
#include "services.h"

namespace quorix {

inline constexpr std::string_view kEndOfFileRecord = ":00000001FF";

// Cells of a block; each block yields at most one data record.
inline constexpr std::size_t kBlockCells = 16;

// The save command: asks for a file name (adding ".hex"), asks before it
// overwrites a non-empty file, and writes Text1 as an Intel HEX file whose
// data begin at the start address in Text5. Text that holds a cell of other
// characters than hexadecimal digits is refused before any file is touched.
// The file replaces the old one only when it is complete, so a failure leaves
// the old file as it was.
void saveCommand(WindowServices& ui);

// The file name the save command writes to: `name` itself when it ends in
// ".hex" or ".HEX" (letter case counts), otherwise `name` + ".hex".
[[nodiscard]] std::string withHexExtension(std::string name);

// The start address typed in Text5: four characters give two bytes, any
// other length gives 0. Characters that are not hexadecimal digits count as 0.
[[nodiscard]] unsigned startAddress(std::string_view text5);

// The number of cells that count in a byte text of `chars` characters: every
// complete cell, and a final cell that lacks only its separator.
[[nodiscard]] constexpr std::size_t countedCells(std::size_t chars) noexcept {
  return chars / kCellWidth + (chars % kCellWidth == kCellWidth - 1 ? 1 : 0);
}

// Number (counting from 1) of the first counted cell whose two characters are
// not both hexadecimal digits, if there is one. `units` holds one byte per
// character (toCharUnits).
[[nodiscard]] std::optional<std::size_t> firstNonHexCell(std::string_view units) noexcept;

// How writeRecords ended.
enum class RecordsEnd {
  Complete,         // every record and the end-of-file record were written
  AddressTooLarge,  // a record would begin beyond FFFF; nothing after the records before it
  WriteFailed,      // a line could not be written; nothing further was tried
};

// Turns byte text into Intel HEX lines, without line ends: one data record per
// block of 16 cells that holds more than "FF" bytes at its end, at start +
// 16 × block number, then the end-of-file record. `writeLine` gets each line
// as soon as it is made and answers false when it could not be written;
// `progress` gets 16n + the block's cell count after each block n is taken.
// `units` holds one byte per character (toCharUnits) and should have passed
// firstNonHexCell.
RecordsEnd writeRecords(std::string_view units, unsigned start, const std::function<bool(std::string_view)>& writeLine,
                        const std::function<void(std::size_t)>& progress);

}  // namespace quorix

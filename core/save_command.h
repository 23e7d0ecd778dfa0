// Writing byte text as an Intel HEX file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "hex.h"
#include "services.h"

namespace quorix {

inline constexpr std::string_view kEndOfFileRecord = ":00000001FF";

// Cells of a block; each block yields at most one data record, or two where
// it crosses a 64 KiB boundary.
inline constexpr std::size_t kBlockCells = 16;

// The save command: asks for a file name (adding ".hex"), asks before it
// overwrites a non-empty file, and writes Text1 as an Intel HEX file whose
// data begin at the start address in Text5. Text that cannot be read as cells,
// then a start address that is not one to eight hexadecimal digits, are
// refused before any file is touched. The file replaces the old one only when
// it is complete, so a failure leaves the old file as it was.
void saveCommand(WindowServices& ui);

// The file name the save command writes to: `name` itself when it ends in
// ".hex" or ".HEX" (letter case counts), otherwise `name` + ".hex".
[[nodiscard]] std::string withHexExtension(std::string name);

// Where the data go, and which kind of file holds them.
struct StartAddress {
  std::uint32_t value = 0;
  bool extended = false;  // 32-bit addresses, given by extended linear address records
};

// The start address typed in Text5, without surrounding blanks: empty gives
// 0000; one to four hexadecimal digits a 16-bit file, five to eight a 32-bit
// one. Anything else gives nothing.
[[nodiscard]] std::optional<StartAddress> startAddress(std::string_view text5);

// Byte text read as cells. Separators are blank, tab, CR, LF, ',', ';' and
// '-', a run of them counting as one; what stands between them is a run. When
// some run has exactly two characters, every run must be one cell of two
// hexadecimal digits; otherwise every run is read two digits at a time. A
// lone digit that ends the text after a separator is not a cell.
struct ByteText {
  std::size_t cells = 0;               // their digits stand two by two at the front of the text
  std::optional<std::size_t> badCell;  // where the first run that breaks the rules begins, counting from 1
  std::size_t blocks = 0;              // blocks the progress bar goes through
  float barMax = 0;                    // Bar1.Max for this text
};

// Reads `text` (UTF-8) as cells and moves the two digits of each cell, in
// order and with their letter case, to the front of `text`; what follows them
// is left over. Text laid out as the reader writes it (character i a blank
// when i mod 3 is 2 and a hexadecimal digit otherwise, as in "01 02 FF ")
// keeps the measure of its length: Bar1.Max is a third of it and there is a
// block for each 48 characters begun, so a lone final digit after a whole
// block still makes an empty one. For any other text Bar1.Max is the number
// of cells and there is a block for each 16 cells begun.
[[nodiscard]] ByteText readCells(std::string& text);

// How writeRecords ended.
enum class RecordsEnd {
  Complete,         // every record and the end-of-file record were written
  AddressTooLarge,  // data reach beyond the top address; nothing after the records below it
  WriteFailed,      // a line could not be written; nothing further was tried
};

// Turns cells into Intel HEX lines, without line ends. `digits` holds two
// digits per cell (readCells). Block n (16 cells) goes to start + 16n without
// the "FF" cells at its end; a block of nothing else gives no record. A 16-bit
// file ends at FFFF; a 32-bit one at FFFFFFFF, with an extended linear address
// record before the first data record of each 64 KiB range and no record
// across a range's end. Data beyond the top stop the file after the bytes
// below it. `writeLine` gets each line as soon as it is made and answers
// false when it could not be written; `progress` gets 16n + the block's cell
// count after each of the `blocks` blocks is taken.
RecordsEnd writeRecords(std::string_view digits, std::size_t blocks, StartAddress start,
                        const std::function<bool(std::string_view)>& writeLine,
                        const std::function<void(std::size_t)>& progress);

}  // namespace quorix

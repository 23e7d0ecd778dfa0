// The open command: reading an Intel HEX file into byte text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "services.h"

namespace quorix {

// The byte text of at most this many addresses, counted from cell 0, is read.
inline constexpr std::uint64_t kMaxReadCells = std::uint64_t{1} << 24;

// Where the byte text of a read lies: the full address of cell 0 and the
// number of cells that stand for it and the addresses after it.
struct ReadExtent {
  std::uint64_t firstAddress = 0;
  std::uint64_t cells = 0;
};

// The open command: asks for a file with the open dialog and, unless the user
// cancels, reads it with dakai_hex. After a read that added cells, Text5 shows
// the address of cell 0, so that a save writes the data back where they were.
// A cancelled dialog only forgets the file name.
void openCommand(WindowServices& ui);

// Opens `path` as the open command opens a file chosen in its dialog: the
// dialog's file name becomes `path`. For a file named on the command line or
// dropped on the window.
void openFile(WindowServices& ui, std::string_view path);

// Replaces Text1 with the byte text of the file that the dialog's file name
// names: every data record's bytes at its full address (offset plus the base
// of the latest 02 or 04 record), counted from cell 0, the start of the
// 256-byte page of the first data byte; "FF " for every address between.
// Bar1 follows the records. The read stops with a message at the first line
// that is no valid record, a wrong checksum, a data record that begins before
// the previous one ends, or one beyond 16 MiB from cell 0; the cells before
// it stay. A file without an end-of-file record keeps its cells and brings a
// message. A file that cannot be read leaves Text1 and Bar1 untouched.
ReadExtent dakai_hex(WindowServices& ui);

// Text5 for a byte text: cell 0's address as four upper-case digits when the
// whole text lies at or below FFFF, else as eight.
[[nodiscard]] std::string startAddressText(const ReadExtent& extent);

}  // namespace quorix

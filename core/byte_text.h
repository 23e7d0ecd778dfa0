// Byte text as the save command reads it: runs of bytes, each at an address
// that the text itself gives or that follows from the start address. Every
// form of byte text (terminal cells, hex strings, address lines, offset dumps,
// C arrays) is read into this one shape, and the HEX writer takes it from there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cell_places.h"

namespace quorix {

// Bytes at consecutive addresses, read from one stretch of the text.
struct TextRun {
  // Where the run's first byte goes.
  enum class Origin {
    AfterStart,   // `address` is an offset from the start address (Text5)
    AddressLine,  // `address` is absolute, given by an address line ("@08000000"); Text5 is not used
    DumpOffset,   // `address` is absolute, given by a dump's offsets; Text5 must be empty or 0
  };
  Origin origin = Origin::AfterStart;
  std::uint64_t address = 0;
  // The run's bytes are digits[first, first + 2 * count) of TextBytes::digits.
  std::size_t first = 0;
  std::size_t count = 0;
  std::size_t line = 1;  // the line where the run begins, counting from 1
  // How the text named the address ("@0800"), for messages about this run.
  std::string label;
  // The address was written so that it asks for a 32-bit file (an address
  // line of five to eight digits, or any address above FFFF).
  bool wide = false;
};

// A byte text read by the save command's rules.
struct TextBytes {
  // Two hexadecimal digits per byte, as the text spelled them (letter case
  // kept: an upper-case "FF" at the end of a block is fill), every run's in turn.
  std::string digits;
  std::vector<TextRun> runs;
  // The message that refuses the text, and the byte offset in the UTF-8 text
  // of the spot it names; when set, `runs` means nothing.
  std::optional<std::string> refusal;
  std::size_t refusalAt = 0;
  // When the reader was asked for them: the byte offset in the text of each
  // byte's first digit, in the order of `digits` (ascending). A byte repeated
  // by a dump's "*" line stands at that line.
  CellPlaces places;
  // Bar1's maximum while the records are written.
  float barMax = 0;
  // Text laid out as the reader writes it measures Bar1 by its length, and a
  // lone digit after a whole block of 16 cells makes one more, empty, step.
  bool finalBarStep = false;
};

// Offset dumps (xxd, hexdump -C, od -A x, memory dumps) and C arrays. Nothing
// when `text` is neither: its lines do not all begin with an offset column
// and it holds no "{". Otherwise the text read as such, or its refusal.
[[nodiscard]] std::optional<TextBytes> readDumpOrArray(std::string_view text, bool places = false);
// False when readDumpOrArray would answer nothing: a look at the first line
// and a search for "{".
[[nodiscard]] bool mayBeDumpOrArray(std::string_view text);

// readDumpOrArray a stretch at a time, for a window that reads between its
// events. `text` must outlive the reading.
class DumpReading {
 public:
  DumpReading(std::string_view text, bool places);
  DumpReading(DumpReading&&) noexcept;
  DumpReading& operator=(DumpReading&&) noexcept;
  DumpReading(const DumpReading&) = delete;
  DumpReading& operator=(const DumpReading&) = delete;
  ~DumpReading();

  // Reads on over at least `chars` more bytes of the text; true when it is read.
  bool advance(std::size_t chars);
  // What readDumpOrArray answers, once, after advance() answered true.
  [[nodiscard]] std::optional<TextBytes> finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorix

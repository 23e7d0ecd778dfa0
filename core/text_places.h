// Where the bytes of a byte text go, as the save would place them: for the
// window's status row, its tooltips and its go to and find.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "byte_text.h"
#include "byte_text_reader.h"

namespace quorix {

struct TextPlaces {
  // The text read as the save reads it, with the place of each byte.
  TextBytes bytes;
  // The address of each run's first byte.
  std::vector<std::uint64_t> runAddress;
  // Addresses as eight digits: the save would write a 32-bit file.
  bool wide = false;
  // The save's refusal of the text, and the byte offset of its spot in the
  // text (0 when the refusal names no spot: a bad start address, blocks that
  // overlap, data beyond the top). When set, the cells mean nothing.
  std::optional<std::string> refusal;
  std::size_t refusalAt = 0;

  [[nodiscard]] std::size_t cells() const noexcept { return bytes.places.size(); }
  // The cell at text offset `at`: the last one that begins at or before it,
  // else the first. Nothing in a text without cells.
  [[nodiscard]] std::optional<std::size_t> cellAt(std::size_t at) const noexcept;
  // The cells whose first digit lies in the text offsets [from, to), as
  // [first, end).
  [[nodiscard]] std::pair<std::size_t, std::size_t> cellsIn(std::size_t from, std::size_t to) const noexcept;
  [[nodiscard]] std::uint64_t addressOf(std::size_t cell) const noexcept;
  // An address as the text's width shows it: four digits or eight.
  [[nodiscard]] std::string addressText(std::uint64_t address) const;
  // The cell the save would write at `address`; nothing when none.
  [[nodiscard]] std::optional<std::size_t> cellOfAddress(std::uint64_t address) const noexcept;
  // Where cell `cell` stands in the text.
  [[nodiscard]] std::size_t placeOf(std::size_t cell) const noexcept { return bytes.places[cell]; }
  // The byte value of cell `cell`.
  [[nodiscard]] std::uint8_t valueOf(std::size_t cell) const noexcept;
  // The first cell of the first run of `bytes` that begins at cell `from` or
  // later, else at the first cell or later; nothing when there is none.
  [[nodiscard]] std::optional<std::size_t> find(std::string_view bytes, std::size_t from) const;

 private:
  [[nodiscard]] std::size_t runOf(std::size_t cell) const noexcept;
};

// Reads `text` (Text1) as the save does, byte text first and then offset
// dumps and C arrays, and places its bytes with the start address `text5`.
[[nodiscard]] TextPlaces placeText(std::string_view text, std::string_view text5);

// The same a stretch at a time, for a window that reads between its events.
class TextPlacing {
 public:
  // `placesStorage`: places of an earlier text, whose storage is used again.
  TextPlacing(std::string text, std::string text5, CellPlaces placesStorage = {});
  // Reads on over at least `chars` more bytes of the text; true when it has all.
  bool advance(std::size_t chars);
  // The places, once, after advance() answered true.
  [[nodiscard]] TextPlaces finish();

 private:
  std::string text5_;
  ByteTextReading reading_;
  // A text that may be an offset dump or C array is read as one first, while
  // it is whole: the byte text reading moves the digits within it.
  std::optional<DumpReading> dump_;
  bool dumpRead_ = false;
  std::optional<TextBytes> dumped_;  // what that reading gave, when the text is one
};

// What a find looks for: a text in double quotes stands for its own bytes;
// anything else is read as the save reads byte text, whatever separators,
// address lines or decorations stand between the bytes. Nothing when it is
// neither, or holds no byte.
[[nodiscard]] std::optional<std::string> findPattern(std::string_view text);

// The address a go to asks for: 1 to 8 hexadecimal digits, blanks around them
// skipped. Nothing for anything else.
[[nodiscard]] std::optional<std::uint64_t> goToAddress(std::string_view text);

}  // namespace quorix

// Reading the byte text that terminals show and print into TextBytes.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "byte_text.h"

namespace quorix {

// Reads `text` (UTF-8) by the save command's rules, in place: the digits of
// the bytes move to the front of the text, which then becomes
// TextBytes::digits without a second copy.
//
// Separators are blank, tab, ',', ';', '-', the no-break and the ideographic
// space, and the line ends CR LF, LF, CR, U+2028 and U+2029; a byte-order mark
// at the start is skipped. What stands between separators is a token:
// - "@" and 1 to 8 hexadecimal digits, an address line: the bytes after it go
//   to that address;
// - bytes in one form per line: plain digits, "0x" before one or two digits,
//   or "h" after one or two digits (or three with a leading 0). A line of
//   plain digits where some token has two characters holds cells of two
//   digits; otherwise its tokens are hex strings read two digits at a time,
//   and a first token of 4 to 8 digits followed by one of another length is
//   an offset column, not data;
// - "q" as the last token ends the text; a lone digit that ends the text
//   after a separator is a cell still being typed and is not read.
// A line may begin with a bracketed time, date or counter, and after it one
// direction mark ("收←◆", "RX:", "<-", "发→◇", "TX:", "->"...); received and
// sent lines are not mixed in one text.
//
// All bytes before the first address line make one AfterStart run at offset
// 0; each address line starts an AddressLine run. A refused text says why in
// TextBytes::refusal: the cell message when the text has no decoration (no
// 0x, h, bracket or direction mark), the line message otherwise.
//
// With `places`, TextBytes::places tells where each byte stands in `text`.
[[nodiscard]] TextBytes readByteText(std::string text, bool places = false);

// The same reading a stretch at a time, so that a window can read a large
// text between its events.
class ByteTextReading {
 public:
  // With `places`, TextBytes::places is filled, in that storage.
  ByteTextReading(std::string text, std::optional<CellPlaces> places);
  ByteTextReading(ByteTextReading&&) noexcept;
  ByteTextReading& operator=(ByteTextReading&&) noexcept;
  ByteTextReading(const ByteTextReading&) = delete;
  ByteTextReading& operator=(const ByteTextReading&) = delete;
  ~ByteTextReading();

  // Reads on over at least `chars` more bytes of the text (to the end of a
  // token), or to its end; true when the whole text is read.
  bool advance(std::size_t chars);
  // The text is refused, whatever the rest of it holds.
  [[nodiscard]] bool refused() const noexcept;
  // The text as given, until the first advance(): the reading moves the
  // digits of its bytes to its front.
  [[nodiscard]] std::string_view text() const noexcept;
  // The text read, once, after advance() answered true.
  [[nodiscard]] TextBytes finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorix

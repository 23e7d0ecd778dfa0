#include "reader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "checksum.h"
#include "hex.h"
#include "input_file.h"
#include "messages.h"

namespace quorix {

namespace {

enum RecordType : unsigned {
  kData = 0x00,
  kEndOfFile = 0x01,
  kSegmentAddress = 0x02,
  kLinearAddress = 0x04,
  kLastKnownType = 0x05,
};

constexpr std::uint64_t kPageSize = 0x100;
constexpr std::uint64_t kSegmentSize = 0x10000;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Colon aside, a record is 2n + 10 digits: count, address (2), type, n data bytes, checksum.
constexpr std::size_t kRecordFrameDigits = 10;
constexpr std::size_t kDataDigitsAt = 8;

// "FF " cells to copy fill from; a record's data never take more room than this.
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

constexpr bool isBlank(char c) noexcept { return c == ' ' || c == '\t'; }
constexpr bool isLineEnd(char c) noexcept { return c == '\r' || c == '\n'; }

// One line of the file, split in a single pass.
struct Line {
  enum class Kind { Blank, Record, NoRecord };
  Kind kind = Kind::Blank;
  std::string_view digits;  // a record's digits after the colon
  unsigned sum = 0;         // of the bytes the digits spell, checksum included
  std::size_t next = 0;     // where the line after it begins

  [[nodiscard]] unsigned byteAt(std::size_t k) const noexcept {
    return static_cast<unsigned>(digitValue(digits[2 * k]) * 16 + digitValue(digits[2 * k + 1]));
  }
};

// The line that begins at `pos`: blanks or tabs, then either nothing or a
// colon and hexadecimal digits, then blanks or tabs up to one line end (CR LF,
// LF or CR) or the end of the text. Anything else makes it no record.
Line readLine(std::string_view text, std::size_t pos) {
  const std::size_t size = text.size();
  Line line;
  std::size_t i = pos;
  while (i < size && isBlank(text[i])) ++i;
  if (i < size && text[i] == ':') {
    line.kind = Line::Kind::Record;
    const std::size_t first = ++i;
    const auto digit = [&text](std::size_t at) { return kDigitValues[static_cast<unsigned char>(text[at])]; };
    unsigned sum = 0;
    // A byte at a time; the sum is of no use when a lone digit is left over.
    for (; i + 1 < size; i += 2) {
      const unsigned high = digit(i);
      const unsigned low = digit(i + 1);
      if ((high | low) == kNoDigit) break;
      sum += high * 16 + low;
    }
    if (i < size && digit(i) != kNoDigit) ++i;
    line.digits = text.substr(first, i - first);
    line.sum = sum;
    while (i < size && isBlank(text[i])) ++i;
  }
  if (i < size && !isLineEnd(text[i])) {
    line.kind = Line::Kind::NoRecord;
    while (i < size && !isLineEnd(text[i])) ++i;
  }
  if (i < size) i += (text[i] == '\r' && i + 1 < size && text[i + 1] == '\n') ? 2 : 1;
  line.next = i;
  return line;
}

// The byte text, built in one string and handed to Text1 once: at the end of
// the read, or before the message that ends it. Its room is reserved ahead,
// from the file's size but never beyond the span limit, so that a small file
// cannot demand more; it is written a step at a time, so that only the room
// used is touched.
class ByteTextOut {
 public:
  ByteTextOut(WindowServices& ui, std::size_t fileSize)
      // Data cells take at most 3 characters for every 2 of the file.
      : ui_(ui), expected_(std::min(fileSize / 2 * kCellWidth, kMaxChars)) {}
  ByteTextOut(const ByteTextOut&) = delete;
  ByteTextOut& operator=(const ByteTextOut&) = delete;
  ByteTextOut(ByteTextOut&&) = delete;
  ByteTextOut& operator=(ByteTextOut&&) = delete;
  ~ByteTextOut() = default;

  // One cell per pair of digits, as they stand in the file.
  void appendData(std::string_view digits) {
    const std::size_t count = digits.size() / 2;
    char* out = room(count * kCellWidth);
    for (std::size_t k = 0; k < count; ++k, out += kCellWidth) {
      out[0] = digits[2 * k];
      out[1] = digits[2 * k + 1];
      out[2] = ' ';
    }
    used_ += count * kCellWidth;
  }

  void appendFill(std::uint64_t cells) {
    while (cells > 0) {
      const std::size_t now = std::min<std::uint64_t>(cells, kFillBlock.size() / kCellWidth);
      std::memcpy(room(now * kCellWidth), kFillBlock.data(), now * kCellWidth);
      used_ += now * kCellWidth;
      cells -= now;
    }
  }

  // Hands the text to the field.
  void flush() {
    if (used_ > 0) ui_.setSelText(std::string_view(text_.data(), used_));
    used_ = 0;
  }

 private:
  static constexpr std::size_t kMaxChars = kMaxReadCells * kCellWidth;
  static constexpr std::size_t kStep = std::size_t{1} << 20;

  // Where `chars` more characters go. The span limit keeps the text within
  // kMaxChars, and with it every reservation.
  char* room(std::size_t chars) {
    const std::size_t needed = used_ + chars;
    if (needed > text_.size()) {
      if (needed > text_.capacity()) {
        reserveLarge(text_, std::max(needed, std::min(std::max(2 * text_.capacity(), expected_), kMaxChars)));
      }
      text_.resize(std::max(needed, std::min(used_ + kStep, text_.capacity())));
    }
    return text_.data() + used_;
  }

  WindowServices& ui_;
  std::size_t expected_;
  std::string text_;
  std::size_t used_ = 0;
};

// The records of one file, placed at their full addresses.
class HexReader {
 public:
  HexReader(WindowServices& ui, std::string_view text) : ui_(ui), text_(text), out_(ui, text.size()) {}

  ReadExtent run() {
    std::size_t pos = text_.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    bool anyRecord = false;
    for (std::size_t lineNumber = 1; pos < text_.size(); ++lineNumber) {
      const Line line = readLine(text_, pos);
      pos = line.next;
      if (line.kind == Line::Kind::Blank) continue;
      anyRecord = true;
      if (const std::optional<std::string> refusal = take(line, lineNumber)) {
        stop(*refusal);
        return extent();
      }
      ui_.setBarValue(static_cast<float>(pos));
      if (line.byteAt(3) == kEndOfFile) {
        out_.flush();
        return extent();
      }
    }
    out_.flush();
    // A file cut off at a line end reads like a whole one but for this.
    if (anyRecord) ui_.messageBox(kMissingEndRecordPrompt, Buttons::Ok, kFileErrorTitle);
    return extent();
  }

 private:
  // Takes one record line: nothing when it is accepted, else the prompt that refuses it.
  std::optional<std::string> take(const Line& line, std::size_t lineNumber) {
    const std::string_view digits = line.digits;
    if (line.kind != Line::Kind::Record || digits.size() < kRecordFrameDigits ||
        digits.size() != 2 * std::size_t{line.byteAt(0)} + kRecordFrameDigits) {
      return invalidRecordPrompt(lineNumber);
    }
    const unsigned count = line.byteAt(0);
    const unsigned type = line.byteAt(3);
    if (type > kLastKnownType || ((type == kSegmentAddress || type == kLinearAddress) && count != 2)) {
      return invalidRecordPrompt(lineNumber);
    }
    if ((line.sum & 0xFFU) != 0) {
      return checksumErrorPrompt(lineNumber, recordChecksum(digits.substr(0, kDataDigitsAt + 2 * std::size_t{count})));
    }
    switch (type) {
      case kData:
        return place(line.byteAt(1) * 256U + line.byteAt(2), digits.substr(kDataDigitsAt, 2 * std::size_t{count}));
      case kSegmentAddress:
        base_ = addressValue(line) * 16;
        segmented_ = true;
        return std::nullopt;
      case kLinearAddress:
        base_ = addressValue(line) * kSegmentSize;
        segmented_ = false;
        return std::nullopt;
      default:  // end of file, start addresses
        return std::nullopt;
    }
  }

  // The value of an 02 or 04 record: its two data bytes.
  static std::uint64_t addressValue(const Line& line) { return line.byteAt(4) * 256U + line.byteAt(5); }

  // Places a data record's cells at its full address, after the fill from
  // the end of the data before it.
  std::optional<std::string> place(std::uint64_t offset, std::string_view data) {
    const std::uint64_t count = data.size() / 2;
    if (count == 0) return std::nullopt;
    const std::uint64_t address = base_ + offset;
    // Behind a segment base the offset wraps at FFFF: the record's tail would
    // lie below its head.
    if (segmented_ && offset + count > kSegmentSize) return std::string(kHexErrorPrompt);
    if (!haveData_) {
      first_ = address & ~(kPageSize - 1);
      end_ = first_;
      haveData_ = true;
    }
    if (address < end_) return std::string(kHexErrorPrompt);
    if (address + count - first_ > kMaxReadCells) return std::string(kSpanTooLargePrompt);
    out_.appendFill(address - end_);
    out_.appendData(data);
    end_ = address + count;
    return std::nullopt;
  }

  // Ends the read with a message; the cells placed so far stay.
  void stop(std::string_view prompt) {
    out_.flush();
    ui_.messageBox(prompt, Buttons::Ok, kFileErrorTitle);
  }

  [[nodiscard]] ReadExtent extent() const { return {first_, end_ - first_}; }

  WindowServices& ui_;
  std::string_view text_;
  ByteTextOut out_;
  std::uint64_t base_ = 0;   // of the latest 02 or 04 record
  bool segmented_ = false;   // the base came from an 02 record
  bool haveData_ = false;    // a data record has placed cell 0
  std::uint64_t first_ = 0;  // address of cell 0
  std::uint64_t end_ = 0;    // one past the last data byte placed
};

// What the open command does once the dialog's file name names the file.
void readChosenFile(WindowServices& ui) {
  const ReadExtent read = dakai_hex(ui);
  if (read.cells > 0) ui.setText(Field::Text5, startAddressText(read));
}

}  // namespace

void openCommand(WindowServices& ui) {
  if (ui.showOpen() == DialogOutcome::Cancelled) {
    ui.setFileName("");
    return;
  }
  readChosenFile(ui);
}

void openFile(WindowServices& ui, std::string_view path) {
  ui.setFileName(path);
  readChosenFile(ui);
}

ReadExtent dakai_hex(WindowServices& ui) {
  const FileContents file = ui.readFile(ui.fileName());
  if (file.status != FileContents::Status::Read) {
    reportUnread(ui, file);
    return {};
  }
  ui.setBarValue(0);
  ui.setBarMax(static_cast<float>(file.bytes.size()) + 1);
  ui.setText(Field::Text1, "");
  return HexReader(ui, file.bytes).run();
}

std::string startAddressText(const ReadExtent& extent) {
  if (extent.firstAddress + extent.cells > kSegmentSize) {
    const std::array<char, 8> digits = hexDigits<8>(extent.firstAddress);
    return {digits.begin(), digits.end()};
  }
  const std::array<char, 4> digits = hexDigits<4>(extent.firstAddress);
  return {digits.begin(), digits.end()};
}

}  // namespace quorix

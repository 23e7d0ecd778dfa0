#include "reader.h"

#include <cstddef>
#include <optional>
#include <string>

#include "hex.h"
#include "messages.h"

namespace quorix {

namespace {

enum RecordType : int { kData = 0x00, kEndOfFile = 0x01, kSegmentAddress = 0x02, kLinearAddress = 0x04 };

constexpr std::string_view kFillCell = "FF ";

bool isLineEnd(char c) noexcept { return c == '\r' || c == '\n'; }

// One record: the characters of its line, and where the line after it begins.
class Record {
 public:
  Record(std::string_view text, std::size_t begin) {
    std::size_t end = begin;
    while (end < text.size() && !isLineEnd(text[end])) ++end;
    line_ = text.substr(begin, end - begin);
    next_ = end;
    if (next_ < text.size()) {
      // One line end: CR LF, LF or CR.
      next_ += (text[next_] == '\r' && next_ + 1 < text.size() && text[next_ + 1] == '\n') ? 2 : 1;
    }
  }

  // Character `offset` of the line; positions past its end read as NUL, which
  // counts as the digit 0.
  [[nodiscard]] char at(std::size_t offset) const noexcept { return offset < line_.size() ? line_[offset] : '\0'; }
  [[nodiscard]] int byteAt(std::size_t offset) const noexcept {
    return digitValue(at(offset)) * 16 + digitValue(at(offset + 1));
  }

  [[nodiscard]] int count() const noexcept { return byteAt(1); }
  [[nodiscard]] long address() const noexcept { return byteAt(3) * 256L + byteAt(5); }
  [[nodiscard]] int type() const noexcept { return byteAt(7); }
  [[nodiscard]] std::size_t next() const noexcept { return next_; }

  // Appends data byte k as a cell: its two characters as they stand in the
  // file and a blank. At the end of a cut-off line only what is there is kept.
  void appendDataCell(std::string& cells, int k) const {
    const std::size_t first = 9 + 2 * static_cast<std::size_t>(k);
    for (std::size_t i = first; i < first + 2 && i < line_.size(); ++i) appendLatin1(cells, line_[i]);
    cells.push_back(' ');
  }

 private:
  std::string_view line_;
  std::size_t next_ = 0;
};

// Start of the first line at or after `pos` that holds more than blanks.
std::size_t skipBlankLines(std::string_view text, std::size_t pos) {
  std::size_t i = pos;
  while (i < text.size()) {
    const char c = text[i];
    if (isLineEnd(c)) {
      pos = ++i;
    } else if (c == ' ' || c == '\t') {
      ++i;
    } else {
      return pos;
    }
  }
  return text.size();
}

// Address of the next data record in the same 64 KiB segment, if there is one
// before the end of the file, an end-of-file record or an address record.
std::optional<long> nextDataAddress(std::string_view text, std::size_t pos) {
  for (pos = skipBlankLines(text, pos); pos < text.size(); pos = skipBlankLines(text, pos)) {
    const Record rec(text, pos);
    switch (rec.type()) {
      case kData:
        return rec.address();
      case kEndOfFile:
      case kSegmentAddress:
      case kLinearAddress:
        return std::nullopt;
      default:
        pos = rec.next();
    }
  }
  return std::nullopt;
}

void appendFill(std::string& cells, long count) {
  for (long k = 0; k < count; ++k) cells.append(kFillCell);
}

}  // namespace

void openCommand(WindowServices& ui) {
  if (ui.showOpen() == DialogOutcome::Cancelled) {
    ui.setFileName("");
    return;
  }
  dakai_hex(ui);
}

void dakai_hex(WindowServices& ui) {
  const FileContents file = ui.readFile(ui.fileName());
  if (file.status != FileContents::Status::Read) {
    ui.messageBox(file.status == FileContents::Status::TooLarge ? kFileTooLargePrompt : kReadFailedPrompt, Buttons::Ok,
                  kFileErrorTitle);
    return;
  }
  const std::string_view ansiTxt = file.bytes;
  const std::size_t L = ansiTxt.size();

  ui.setBarValue(0);
  ui.setBarMax(static_cast<float>(L) + 1);
  ui.setText(Field::Text1, "");

  bool firstData = true;
  std::string cells;
  for (std::size_t p = skipBlankLines(ansiTxt, 0); p < L; p = skipBlankLines(ansiTxt, p)) {
    const Record rec(ansiTxt, p);
    const int type = rec.type();
    if (type == kData) {
      const int n = rec.count();
      const long address = rec.address();
      cells.clear();
      if (firstData) appendFill(cells, address & 0xFF);
      firstData = false;
      for (int k = 0; k < n; ++k) rec.appendDataCell(cells, k);

      // Every address up to the next data record gets its cell; a record that
      // starts before this one ends would put every later cell at a wrong address.
      bool misplaced = false;
      if (const std::optional<long> next = nextDataAddress(ansiTxt, rec.next())) {
        const long gap = *next - (address + n);
        misplaced = gap < 0;
        appendFill(cells, gap);
      }
      ui.setSelText(cells);
      if (misplaced) {
        ui.messageBox(kHexErrorPrompt, Buttons::Ok, kFileErrorTitle);
        return;
      }
    }
    ui.setBarValue(static_cast<float>(rec.next()));
    if (type == kEndOfFile) return;
    p = rec.next();
  }
}

}  // namespace quorix

#include "hex_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "hex.h"
#include "intel_hex.h"
#include "messages.h"

namespace quorix {

namespace {

constexpr std::uint64_t kAddressLimit = std::uint64_t{1} << 32;

// Colon aside, a record is 2n + 10 digits: count, address (2), type, n data bytes, checksum.
constexpr std::size_t kRecordFrameDigits = 10;
constexpr std::size_t kDataDigitsAt = 8;

constexpr bool isBlank(char c) noexcept { return c == ' ' || c == '\t'; }
constexpr bool isLineEnd(char c) noexcept { return c == '\r' || c == '\n'; }

// One line of the text, split in a single pass.
struct Line {
  enum class Kind { Blank, Record, NoRecord };
  Kind kind = Kind::Blank;
  std::size_t digitsAt = 0;  // where a record's digits after the colon begin
  std::size_t digitCount = 0;
  unsigned sum = 0;      // of the bytes the digits spell, checksum included
  std::size_t next = 0;  // where the line after it begins
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
    line.digitsAt = ++i;
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
    line.digitCount = i - line.digitsAt;
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

// Data of records on consecutive lines, each continuing the one before at
// the next address, and all but the last of one length: the line of any of
// its bytes follows from its address.
struct Run {
  ImageRange range;
  std::uint64_t lineBytes = 0;  // data bytes of each of its lines
  std::size_t lastLine = 0;
  bool closed = false;  // its last line was shorter: nothing more joins it

  [[nodiscard]] std::size_t lineAt(std::uint64_t address) const noexcept {
    return range.line + static_cast<std::size_t>((address - range.address) / lineBytes);
  }
};

// The value of the byte at `address` in `range`, which holds it.
unsigned byteAt(const ImageRange& range, std::uint64_t address) noexcept {
  const std::size_t at = 2 * static_cast<std::size_t>(address - range.address);
  return byteValue(range.digits[at], range.digits[at + 1]);
}

// The first address in [from, to) where `a` and `b`, which both hold it, differ; `to` if none.
std::uint64_t firstDifference(const ImageRange& a, const ImageRange& b, std::uint64_t from, std::uint64_t to) {
  for (std::uint64_t address = from; address < to; ++address) {
    if (byteAt(a, address) != byteAt(b, address)) return address;
  }
  return to;
}

// The message for a text whose records give one address different values:
// the first line, in the text's order, whose data differ from those of an
// earlier line, and the earliest line they differ from. Taken line by line,
// each address keeps the value of the first line that gave it; as long as no
// line differed, every later line that gave it agreed.
std::string overlapRefusal(const std::vector<Run>& runs) {
  std::vector<ImageRange> lines;
  for (const Run& run : runs) {
    const ImageRange& r = run.range;
    for (std::uint64_t at = 0; at < r.size(); at += run.lineBytes) {
      const std::uint64_t bytes = std::min(run.lineBytes, r.size() - at);
      lines.push_back({r.address + at, r.digits.substr(2 * at, 2 * bytes), run.lineAt(r.address + at)});
    }
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const ImageRange& a, const ImageRange& b) { return a.line < b.line; });
  std::map<std::uint64_t, ImageRange> firstGiven;  // by address, without overlaps
  for (const ImageRange& line : lines) {
    auto it = firstGiven.upper_bound(line.address);
    if (it != firstGiven.begin() && std::prev(it)->second.end() > line.address) --it;
    std::size_t earlier = 0;
    std::vector<ImageRange> uncovered;
    std::uint64_t cursor = line.address;
    for (; it != firstGiven.end() && it->first < line.end(); ++it) {
      const ImageRange& given = it->second;
      const std::uint64_t from = std::max(given.address, line.address);
      const std::uint64_t to = std::min(given.end(), line.end());
      if (firstDifference(given, line, from, to) != to && (earlier == 0 || given.line < earlier)) {
        earlier = given.line;
      }
      if (cursor < given.address) {
        uncovered.push_back(
            {cursor, line.digits.substr(2 * (cursor - line.address), 2 * (given.address - cursor)), line.line});
      }
      cursor = std::max(cursor, given.end());
    }
    if (earlier != 0) return overlapPrompt(line.line, earlier);
    if (cursor < line.end()) uncovered.push_back({cursor, line.digits.substr(2 * (cursor - line.address)), line.line});
    for (const ImageRange& part : uncovered) firstGiven.emplace(part.address, part);
  }
  return overlapPrompt(0, 0);  // not reached: the caller found two values for one address
}

// Puts the runs in address order and leaves each address to the first of
// them: nothing when they agree wherever they overlap, else the message.
std::optional<std::string> merge(std::vector<Run>& runs, Image& image) {
  const auto byAddress = [](const Run& a, const Run& b) { return a.range.address < b.range.address; };
  if (!std::is_sorted(runs.begin(), runs.end(), byAddress)) std::stable_sort(runs.begin(), runs.end(), byAddress);
  image.reserve(runs.size());
  std::uint64_t covered = 0;  // one past the highest address taken
  for (const Run& run : runs) {
    ImageRange r = run.range;
    if (!image.empty() && r.address < covered) {
      // Everything from r's start up to `covered` is taken, by ranges that end after it.
      const auto first = std::partition_point(image.begin(), image.end(),
                                              [&r](const ImageRange& taken) { return taken.end() <= r.address; });
      const std::uint64_t to = std::min(r.end(), covered);
      for (auto taken = first; taken != image.end() && taken->address < to; ++taken) {
        const std::uint64_t end = std::min(taken->end(), to);
        if (firstDifference(*taken, r, std::max(taken->address, r.address), end) != end) return overlapRefusal(runs);
      }
      if (r.end() <= covered) continue;
      r.digits.remove_prefix(2 * static_cast<std::size_t>(covered - r.address));
      r.address = covered;
    }
    image.push_back(r);
    covered = r.end();
  }
  return std::nullopt;
}

// The records of one text, gathered into runs.
class Reader {
 public:
  Reader(std::string& text, const HexProgress& progress) : text_(text), progress_(progress) {}

  HexContents run() {
    HexContents contents;
    std::size_t pos = std::string_view(text_).starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    bool anyRecord = false;
    for (std::size_t lineNumber = 1; pos < text_.size(); ++lineNumber) {
      const Line line = readLine(text_, pos);
      pos = line.next;
      if (line.kind == Line::Kind::Blank) continue;
      anyRecord = true;
      if (std::optional<std::string> refusal = take(line, lineNumber)) {
        // An overlap before the damaged line is the first fault of the text.
        Image unused;
        contents.refusal = merge(runs_, unused).value_or(std::move(*refusal));
        return contents;
      }
      if (progress_) progress_(pos);
      if (endOfFile_) {
        contents.endRecord = true;
        break;
      }
    }
    if (!anyRecord) {
      contents.refusal = std::string(kNoRecordsPrompt);
      return contents;
    }
    contents.refusal = merge(runs_, contents.image);
    if (contents.refusal) contents.image.clear();
    return contents;
  }

 private:
  [[nodiscard]] unsigned byte(const Line& line, std::size_t k) const noexcept {
    return byteValue(text_[line.digitsAt + 2 * k], text_[line.digitsAt + 2 * k + 1]);
  }

  // Takes one record line: nothing when it is accepted, else the prompt that refuses it.
  std::optional<std::string> take(const Line& line, std::size_t lineNumber) {
    if (line.kind != Line::Kind::Record || line.digitCount < kRecordFrameDigits ||
        line.digitCount != 2 * std::size_t{byte(line, 0)} + kRecordFrameDigits) {
      return invalidRecordPrompt(lineNumber);
    }
    const unsigned count = byte(line, 0);
    const unsigned offset = byte(line, 1) * 256U + byte(line, 2);
    const unsigned type = byte(line, 3);
    bool wellFormed = false;
    switch (type) {
      case kDataRecord:
        wellFormed = true;
        break;
      case kEndOfFileRecordType:
        wellFormed = count == 0;
        break;
      case kSegmentAddressRecord:
      case kLinearAddressRecord:
        wellFormed = count == 2 && offset == 0;
        break;
      case kStartSegmentRecord:
      case kStartLinearRecord:
        wellFormed = count == 4;
        break;
      default:
        break;
    }
    if (!wellFormed) return invalidRecordPrompt(lineNumber);
    endOfFile_ = type == kEndOfFileRecordType;
    if ((line.sum & 0xFFU) != 0) {
      const std::array<char, 2> expected = hexDigits<2>(recordChecksumByte(line.sum - byte(line, 4 + count)));
      return checksumErrorPrompt(lineNumber, std::string_view(expected.data(), expected.size()));
    }
    if (type == kSegmentAddressRecord || type == kLinearAddressRecord) {
      const std::uint64_t value = byte(line, 4) * 256U + byte(line, 5);
      segmented_ = type == kSegmentAddressRecord;
      base_ = segmented_ ? value * 16 : value * kRecordRange;
    }
    if (type != kDataRecord || count == 0) return std::nullopt;
    // Behind a segment base the offset would wrap at FFFF: the record's tail
    // would lie below its head.
    if ((segmented_ && offset + count > kRecordRange) || base_ + offset + count > kAddressLimit) {
      return invalidRecordPrompt(lineNumber);
    }
    place(base_ + offset, line.digitsAt + kDataDigitsAt, count, lineNumber);
    return std::nullopt;
  }

  // Adds a data record's bytes: to the run before when they continue it,
  // their digits moved behind its own (over the line's own start), else as a
  // run of their own.
  void place(std::uint64_t address, std::size_t digitsAt, std::uint64_t count, std::size_t lineNumber) {
    if (!runs_.empty()) {
      Run& last = runs_.back();
      if (!last.closed && lineNumber == last.lastLine + 1 && address == last.range.end() && count <= last.lineBytes) {
        char* end = text_.data() + (last.range.digits.data() - text_.data()) + last.range.digits.size();
        std::memmove(end, text_.data() + digitsAt, 2 * count);
        last.range.digits = std::string_view(last.range.digits.data(), last.range.digits.size() + 2 * count);
        last.lastLine = lineNumber;
        last.closed = count < last.lineBytes;
        return;
      }
    }
    runs_.push_back({{address, std::string_view(text_).substr(digitsAt, 2 * count), lineNumber}, count, lineNumber});
  }

  std::string& text_;
  const HexProgress& progress_;
  std::vector<Run> runs_;
  std::uint64_t base_ = 0;  // of the latest 02 or 04 record
  bool segmented_ = false;  // the base came from an 02 record
  bool endOfFile_ = false;  // the record taken last was the end-of-file record
};

}  // namespace

HexContents readHex(std::string& text, const HexProgress& progress) { return Reader(text, progress).run(); }

}  // namespace quorix

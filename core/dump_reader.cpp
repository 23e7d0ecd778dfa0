// Offset dumps and C arrays as the save command reads them. An offset dump is
// what dump tools and debuggers print: an offset column, the bytes, and often a
// column of the bytes as characters, which is never read. The offsets are
// checked against the bytes before them, so that a line lost or changed in
// the paste is refused rather than moving every later byte.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <variant>

#include "byte_text.h"
#include "hex.h"
#include "intel_hex.h"
#include "messages.h"

namespace quorix {

namespace {

// "*" stands for whole lines repeated up to the next offset; a text of a few
// lines could so ask for gigabytes. Repeats may fill a dump up to 64 MiB, four
// times the most the program reads from a HEX file.
constexpr std::uint64_t kMaxRepeatedTotal = std::uint64_t{1} << 26U;
constexpr std::size_t kWideOffsetDigits = 8;    // xxd, hexdump -C and memory dumps
constexpr std::size_t kNarrowOffsetDigits = 6;  // od -A x; it widens the column past FFFFFF
constexpr std::size_t kOctalOffsetDigits = 7;   // od's default, which is octal
constexpr std::size_t kMaxOffsetDigits = 12;
constexpr std::size_t kMaxLengthDigits = 12;

// Bytes that may begin a line end: LF, CR and the first byte of U+2028/U+2029.
constexpr std::array<bool, 256> makeLineEndStarts() noexcept {
  std::array<bool, 256> starts{};
  starts['\n'] = true;
  starts['\r'] = true;
  starts[0xE2] = true;
  return starts;
}
constexpr std::array<bool, 256> kLineEndStart = makeLineEndStarts();

// Length of the line end at s[i]; 0 when none stands there.
std::size_t lineEndLength(std::string_view s, std::size_t i) noexcept {
  if (s[i] == '\n') return 1;
  if (s[i] == '\r') return i + 1 < s.size() && s[i + 1] == '\n' ? 2 : 1;
  const std::string_view rest = s.substr(i);
  return rest.starts_with(kLineSeparator) || rest.starts_with(kParagraphSeparator) ? kLineSeparator.size() : 0;
}

// Length of the blank at s[i] (blank, tab, no-break or ideographic space); 0 when none stands there.
std::size_t blankLength(std::string_view s, std::size_t i) noexcept {
  const char c = s[i];
  if (c == ' ' || c == '\t') return 1;
  if (c == kNoBreakSpace[0] && s.substr(i).starts_with(kNoBreakSpace)) return kNoBreakSpace.size();
  if (c == kIdeographicSpace[0] && s.substr(i).starts_with(kIdeographicSpace)) return kIdeographicSpace.size();
  return 0;
}

std::size_t skipBlanks(std::string_view s, std::size_t i) noexcept {
  while (i < s.size()) {
    const std::size_t blank = blankLength(s, i);
    if (blank == 0) break;
    i += blank;
  }
  return i;
}

bool isBlank(std::string_view s) noexcept { return skipBlanks(s, 0) == s.size(); }

// A hexadecimal digit, by table: the loops over whole dumps test every character.
bool isDigit(char c) noexcept { return kDigitValues[static_cast<unsigned char>(c)] != kNoDigit; }

std::size_t hexRun(std::string_view s, std::size_t i) noexcept {
  const std::size_t start = i;
  while (i < s.size() && isHexDigit(s[i])) ++i;
  return i - start;
}

// One line of the text, without its line end.
struct Line {
  std::string_view text;
  std::size_t at = 0;  // where it begins in the whole text
  std::size_t number = 1;
};

// The text's lines in turn, a byte-order mark at the start skipped (line 1
// still begins at 0). A text that ends with a line end has no further line.
class Lines {
 public:
  // `whole`: every line will be read, so that a first look over the whole text pays.
  explicit Lines(std::string_view text, bool whole) : text_(text) {
    if (text_.starts_with(kByteOrderMark)) pos_ = kByteOrderMark.size();
    // Most texts end their lines with LF alone: then the library's vectorised search finds them.
    onlyLineFeeds_ =
        whole && text_.find('\r') == std::string_view::npos && text_.find('\xE2') == std::string_view::npos;
  }

  // Where the next line begins.
  [[nodiscard]] std::size_t position() const noexcept { return pos_; }

  bool next(Line& line) noexcept {
    if (pos_ >= text_.size()) return false;
    std::size_t i = pos_;
    std::size_t end = 0;
    if (onlyLineFeeds_) {
      const auto* found = static_cast<const char*>(std::memchr(text_.data() + i, '\n', text_.size() - i));
      i = found == nullptr ? text_.size() : static_cast<std::size_t>(found - text_.data());
      end = found == nullptr ? 0 : 1;
    } else {
      for (; i < text_.size(); ++i) {
        while (i < text_.size() && !kLineEndStart[static_cast<unsigned char>(text_[i])]) ++i;
        if (i == text_.size()) break;
        end = lineEndLength(text_, i);
        if (end != 0) break;
      }
    }
    line = {text_.substr(pos_, i - pos_), number_ == 1 ? 0 : pos_, number_};
    ++number_;
    pos_ = i + end;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 1;
  bool onlyLineFeeds_ = false;
};

enum class Shape { Colon, Canonical, Narrow };

// The offset column at the start of a line.
struct Offset {
  enum Kind { None, Octal, Valid } kind = None;
  Shape shape = Shape::Colon;
  std::uint64_t value = 0;
  std::string_view written;  // the digits
  std::size_t rest = 0;      // where the bytes begin
  bool alone = false;        // nothing but blanks follows
};

// Reads the offset column of `line` (leading blanks skipped). `dumpShape` is
// the shape of the dump's first line, when this is a later one.
// The offset of a later line of a dump as the tools print it, or nothing: the
// short way for the usual line, which readOffset would also read.
std::optional<Offset> usualOffset(std::string_view line, Shape shape) noexcept {
  const std::size_t digits = shape == Shape::Narrow ? kNarrowOffsetDigits : kWideOffsetDigits;
  const std::size_t rest = shape == Shape::Narrow ? digits + 1 : digits + 2;
  if (line.size() <= rest || !isDigit(line[rest])) return std::nullopt;
  const bool separated = shape == Shape::Colon ? line[digits] == ':' && line[digits + 1] == ' '
                                               : line[digits] == ' ' && line[rest - 1] == ' ';
  if (!separated) return std::nullopt;
  Offset offset;
  for (std::size_t i = 0; i < digits; ++i) {
    const unsigned value = kDigitValues[static_cast<unsigned char>(line[i])];
    if (value == kNoDigit) return std::nullopt;
    offset.value = offset.value * 16U + value;
  }
  offset.kind = Offset::Valid;
  offset.shape = shape;
  offset.written = line.substr(0, digits);
  offset.rest = rest;
  return offset;
}

Offset readOffset(std::string_view line, std::optional<Shape> dumpShape) {
  if (dumpShape) {
    if (const std::optional<Offset> usual = usualOffset(line, *dumpShape)) return *usual;
  }
  Offset offset;
  std::size_t i = skipBlanks(line, 0);
  const bool prefixed = line.substr(i).starts_with("0x") || line.substr(i).starts_with("0X");
  if (prefixed) i += 2;
  const std::size_t digits = hexRun(line, i);
  if (digits == 0 || digits > kMaxOffsetDigits) return offset;
  offset.written = line.substr(i, digits);
  for (const char c : offset.written) offset.value = offset.value * 16U + static_cast<unsigned>(digitValue(c));
  i += digits;
  const bool colon = i < line.size() && line[i] == ':';
  if (colon) ++i;
  const std::size_t afterBlanks = skipBlanks(line, i);
  offset.alone = afterBlanks == line.size();
  std::size_t blanks = 0;  // blanks after the offset, counted up to two
  for (std::size_t j = i; j < line.size() && blanks < 2; ++blanks) {
    const std::size_t blank = blankLength(line, j);
    if (blank == 0) break;
    j += blank;
  }
  offset.rest = afterBlanks;
  const bool separated = offset.alone || blanks != 0;
  const bool leadingZero = offset.written.front() == '0';
  std::optional<Shape> shape;
  if (colon) {
    if (digits == kWideOffsetDigits) shape = Shape::Colon;
  } else if (!prefixed && separated) {
    // od widens its column only for offsets that need it, never with a leading zero;
    // its default column, octal, has seven digits.
    const bool octal = !dumpShape && digits == kOctalOffsetDigits && !offset.alone;
    const bool wideNarrow = dumpShape == Shape::Narrow && digits > kNarrowOffsetDigits;
    if (octal || (wideNarrow && leadingZero)) {
      offset.kind = Offset::Octal;
      return offset;
    }
    if (wideNarrow || digits == kNarrowOffsetDigits) {
      shape = Shape::Narrow;
    } else if (digits == kWideOffsetDigits && (offset.alone || blanks == 2)) {
      shape = Shape::Canonical;
    }
  }
  if (shape && (!dumpShape || dumpShape == shape)) {
    offset.shape = *shape;
    offset.kind = Offset::Valid;
  }
  return offset;
}

bool isStarLine(std::string_view line) {
  const std::size_t i = skipBlanks(line, 0);
  return i < line.size() && line[i] == '*' && isBlank(line.substr(i + 1));
}

enum class LineFault { None, Unrecognised, Group };

// The digits read, written through a plain pointer: appending two characters
// at a time to a string would cost more than reading them. The string grows
// in steps, so that only the pages written are touched.
class DigitSink {
 public:
  DigitSink(std::string& digits, std::size_t capacity) : digits_(digits) { digits_.reserve(capacity); }

  // Drops the room not written.
  void finish() { digits_.resize(used_); }

  // Where to write up to `count` more digits.
  char* room(std::size_t count) {
    if (used_ + count > digits_.size()) digits_.resize(used_ + count + kStep);
    return digits_.data() + used_;
  }
  // The digits up to `end` are written.
  void commit(const char* end) noexcept { used_ = static_cast<std::size_t>(end - digits_.data()); }
  [[nodiscard]] std::size_t size() const noexcept { return used_; }
  [[nodiscard]] const char* data() const noexcept { return digits_.data(); }

 private:
  static constexpr std::size_t kStep = std::size_t{1} << 16U;
  std::string& digits_;
  std::size_t used_ = 0;
};

class DumpReader {
 public:
  DumpReader(std::string_view text, bool places, Shape shape)
      : text_(text), shape_(shape), lines_(text, true), sink_(out_.digits, text.size()) {
    if (places) places_ = &out_.places;
  }
  // The sink and places point into the reader's own result.
  DumpReader(const DumpReader&) = delete;
  DumpReader& operator=(const DumpReader&) = delete;
  DumpReader(DumpReader&&) = delete;
  DumpReader& operator=(DumpReader&&) = delete;
  ~DumpReader() = default;

  // Reads on over at least `chars` more bytes of the text, whole lines;
  // true when the dump is read or refused.
  bool advance(std::size_t chars) {
    if (done_) return true;
    const std::size_t from = lines_.position();
    const std::size_t stop = chars >= text_.size() - from ? text_.size() : from + chars;
    Line line;
    while (lines_.position() < stop && lines_.next(line)) {
      if (readUsualLine(line)) continue;
      if (isBlank(line.text)) continue;
      if (!firstLine_) firstLine_ = line;
      if (!readLine(line)) return done_ = true;
    }
    if (lines_.position() < text_.size()) return false;
    closeRun();
    if (star_) {
      refuse(unrecognisedLinePrompt(star_->number), *star_);
    } else if (out_.runs.empty() && firstLine_) {
      refuse(unrecognisedLinePrompt(firstLine_->number), *firstLine_);
    }
    out_.barMax = static_cast<float>(sink_.size()) / 2;
    return done_ = true;
  }

  // The dump read, once, after advance() answered true.
  TextBytes finish() {
    sink_.finish();
    return std::move(out_);
  }

 private:
  // The short way for a line that continues the bytes before it as the tools
  // print it; false, with nothing read, for any other line.
  bool readUsualLine(const Line& line) {
    if (!runOpen_ || star_ || ended_) return false;
    const std::optional<Offset> offset = usualOffset(line.text, shape_);
    if (!offset || offset->value != expected_) return false;
    const std::size_t before = sink_.size();
    char* const out = sink_.room(line.text.size());
    const LineFault fault =
        shape_ == Shape::Colon ? readGroups(line.text, offset->rest, out) : readBytes(line.text, offset->rest, out);
    const std::size_t bytes = (sink_.size() - before) / 2;
    if (fault != LineFault::None || bytes == 0) {
      sink_.commit(sink_.data() + before);
      return false;
    }
    lineBytes_ = bytes;
    expected_ += bytes;
    place(line, offset->rest, bytes);
    return true;
  }

  bool refuse(std::string message, const Line& line) {
    out_.refusal = std::move(message);
    out_.refusalAt = line.at;
    return false;
  }

  bool readLine(const Line& line) {
    if (ended_) return refuse(unrecognisedLinePrompt(line.number), line);
    if (isStarLine(line.text)) {
      if (star_ || lineBytes_ == 0) return refuse(unrecognisedLinePrompt(line.number), line);
      star_ = line;
      return true;
    }
    const Offset offset = readOffset(line.text, shape_);
    if (offset.kind == Offset::Octal) return refuse(offsetMismatchPrompt(line.number), line);
    if (offset.kind == Offset::None) return refuse(unrecognisedLinePrompt(line.number), line);

    if (!started_) {
      started_ = true;
      absolute_ = offset.value != 0;
      expected_ = offset.value;
    } else if (star_) {
      // The line before the "*" stands for every whole line up to this offset.
      const std::uint64_t gap = offset.value > expected_ ? offset.value - expected_ : 0;
      if (gap == 0 || gap % lineBytes_ != 0) return refuse(offsetMismatchPrompt(line.number), line);
      if (sink_.size() / 2 + gap > kMaxRepeatedTotal) return refuse(unrecognisedLinePrompt(star_->number), *star_);
      char* out = sink_.room(2 * gap);
      const char* const repeated = out - 2 * lineBytes_;
      for (std::uint64_t n = gap / lineBytes_; n > 0; --n) out = std::copy_n(repeated, 2 * lineBytes_, out);
      sink_.commit(out);
      if (places_ != nullptr) places_->append(gap, static_cast<std::uint32_t>(star_->at));
      expected_ = offset.value;
      star_.reset();
    } else if (offset.value < expected_) {
      return refuse(offsetMismatchPrompt(line.number), line);
    } else if (offset.value > expected_) {
      closeRun();  // a gap: the bytes after it are a block of their own
      expected_ = offset.value;
    }

    if (offset.alone) {
      ended_ = true;
      return true;
    }
    const std::size_t before = sink_.size();
    char* const out = sink_.room(line.text.size());
    const LineFault fault =
        shape_ == Shape::Colon ? readGroups(line.text, offset.rest, out) : readBytes(line.text, offset.rest, out);
    lineBytes_ = (sink_.size() - before) / 2;
    if (fault == LineFault::None && lineBytes_ == 0) return refuse(unrecognisedLinePrompt(line.number), line);
    if (fault == LineFault::Group) return refuse(groupPrompt(line.number), line);
    if (fault == LineFault::Unrecognised) return refuse(unrecognisedLinePrompt(line.number), line);
    if (!runOpen_) {
      runOpen_ = true;
      TextRun run;
      run.origin = absolute_ ? TextRun::Origin::DumpOffset : TextRun::Origin::AfterStart;
      run.address = offset.value;
      run.first = before / 2;
      run.line = line.number;
      run.label = offset.written;
      out_.runs.push_back(std::move(run));
    }
    expected_ += lineBytes_;
    place(line, offset.rest, lineBytes_);
    return true;
  }

  // The places of a line's `bytes` read from `rest` on: each pair of digits
  // after the offset column, as the line gave them.
  void place(const Line& line, std::size_t rest, std::size_t bytes) {
    if (places_ == nullptr) return;
    for (std::size_t i = rest; bytes > 0 && i + 1 < line.text.size();) {
      if (!isHexDigit(line.text[i])) {
        ++i;
        continue;
      }
      places_->push_back(static_cast<std::uint32_t>(line.at + i));
      i += 2;
      --bytes;
    }
  }

  // The bytes of a line whose offset ends in ":": groups of an even number of
  // digits, in order, one blank apart; two blanks end them.
  LineFault readGroups(std::string_view s, std::size_t i, char* out) {
    const char* const t = s.data();
    LineFault fault = LineFault::None;
    const std::size_t size = s.size();
    while (i < size) {
      // Groups of two or four digits and one blank, the usual ones, go the short way.
      while (i + 5 < size && isDigit(t[i]) && isDigit(t[i + 1]) && isDigit(t[i + 2]) && isDigit(t[i + 3]) &&
             t[i + 4] == ' ' && isDigit(t[i + 5])) {
        std::memcpy(out, t + i, 4);
        out += 4;
        i += 5;
      }
      while (i + 3 < size && isDigit(t[i]) && isDigit(t[i + 1]) && t[i + 2] == ' ' && isDigit(t[i + 3])) {
        std::memcpy(out, t + i, 2);
        out += 2;
        i += 3;
      }
      const std::size_t start = i;
      while (i < size && isDigit(t[i])) *out++ = t[i++];
      const std::size_t length = i - start;
      if (length == 0 || length % 2 != 0) {
        fault = LineFault::Unrecognised;
        break;
      }
      if (i == s.size()) break;
      const std::size_t blank = t[i] == ' ' ? 1 : blankLength(s, i);
      if (blank == 0) {
        fault = LineFault::Unrecognised;
        break;
      }
      i += blank;
      if (i < s.size() && (t[i] == ' ' || blankLength(s, i) != 0)) break;  // the character column follows
    }
    sink_.commit(out);
    return fault;
  }

  // The bytes of any other line: two digits each, between blanks, up to the
  // character column ("|" or ">" to the last "|" or "<" of the line).
  LineFault readBytes(std::string_view s, std::size_t i, char* out) {
    // Two vectorised searches: the library's search for a set calls a
    // search for every character of the line.
    const char* const t = s.data();
    std::size_t end = s.find('|', i);
    end = std::min(end, s.substr(0, end).find('>', i));
    if (end == std::string_view::npos) {
      end = s.size();
    } else {
      std::size_t close = s.size() - 1;
      while (close > end && t[close] != '|' && t[close] != '<') --close;
      if (close == end || !isBlank(s.substr(close + 1))) return LineFault::Unrecognised;
    }
    LineFault fault = LineFault::None;
    while (i < end) {
      // The usual two digits and a blank go the short way.
      if (i + 2 < end && isDigit(t[i]) && isDigit(t[i + 1]) && t[i + 2] == ' ') {
        *out++ = t[i];
        *out++ = t[i + 1];
        i += 3;
        continue;
      }
      const std::size_t blank = blankLength(s, i);
      if (blank != 0) {
        i += blank;
        continue;
      }
      const std::size_t start = i;
      while (i < end && isHexDigit(t[i])) ++i;
      const std::size_t length = i - start;
      if (length != 2) {
        // Words of more digits are groups of bytes in an order the line does not tell.
        const bool word = length > 2 && (i == end || blankLength(s, i) != 0);
        fault = word ? LineFault::Group : LineFault::Unrecognised;
        break;
      }
      if (i < end && blankLength(s, i) == 0) {
        fault = LineFault::Unrecognised;
        break;
      }
      *out++ = t[start];
      *out++ = t[start + 1];
    }
    sink_.commit(out);
    return fault;
  }

  void closeRun() {
    if (!runOpen_) return;
    runOpen_ = false;
    TextRun& run = out_.runs.back();
    run.count = sink_.size() / 2 - run.first;
    run.wide = run.origin == TextRun::Origin::DumpOffset && run.address + run.count - 1 > kLast16BitAddress;
  }

  std::string_view text_;
  Shape shape_ = Shape::Colon;
  Lines lines_;
  std::optional<Line> firstLine_;
  bool done_ = false;
  TextBytes out_;
  CellPlaces* places_ = nullptr;
  DigitSink sink_;
  bool started_ = false;
  bool absolute_ = false;
  bool ended_ = false;  // a line with an offset alone was read
  bool runOpen_ = false;
  std::uint64_t expected_ = 0;  // the offset the next line must give
  std::size_t lineBytes_ = 0;   // bytes of the last line read
  std::optional<Line> star_;    // a "*" line waiting for the next offset
};

// C arrays: "unsigned char name[] = { 0x01, 0x02, };" and its length line.
class ArrayReader {
 public:
  ArrayReader(std::string_view text, bool places) : s_(text), sink_(out_.digits, text.size()), places_(places) {
    if (s_.starts_with(kByteOrderMark)) i_ = kByteOrderMark.size();
  }
  // The sink points into the reader's own result.
  ArrayReader(const ArrayReader&) = delete;
  ArrayReader& operator=(const ArrayReader&) = delete;
  ArrayReader(ArrayReader&&) = delete;
  ArrayReader& operator=(ArrayReader&&) = delete;
  ~ArrayReader() = default;

  // Reads on over at least `chars` more bytes of the text; true when the
  // array is read or refused.
  bool advance(std::size_t chars) {
    if (phase_ == Phase::Declaration) {
      if (!readDeclaration()) return stop(false);
      phase_ = Phase::Items;
    }
    if (phase_ == Phase::Items) {
      const std::size_t stop = chars >= s_.size() - i_ ? s_.size() : i_ + chars;
      switch (readItems(stop)) {
        case Items::Paused:
          return false;
        case Items::Refused:
          return this->stop(false);
        case Items::Read:
          return this->stop(readTail() && (count_ != 0 || refuseAt(firstLine_, firstLineAt_)));
      }
    }
    return true;
  }

  // The array read, once, after advance() answered true.
  TextBytes finish() {
    sink_.finish();
    if (read_) {
      TextRun run;
      run.line = itemsLine_;
      run.count = count_;
      out_.barMax = static_cast<float>(count_);
      out_.runs.push_back(std::move(run));
    }
    return std::move(out_);
  }

 private:
  // Moves over one line end at i_, counting it; false when none stands there.
  bool skipLineEnd() {
    if (i_ >= s_.size()) return false;
    const std::size_t end = lineEndLength(s_, i_);
    if (end == 0) return false;
    i_ += end;
    ++line_;
    lineAt_ = i_;
    return true;
  }

  void skipSpace() {
    spaceLine_ = line_;
    spaceLineAt_ = lineAt_;
    for (;;) {
      i_ = skipBlanks(s_, i_);
      if (!skipLineEnd()) return;
    }
  }

  // A text cut off is refused at the line of its last word.
  bool refuse() { return i_ < s_.size() ? refuseAt(line_, lineAt_) : refuseAt(spaceLine_, spaceLineAt_); }

  bool refuseAt(std::size_t line, std::size_t at) {
    out_.refusal = unrecognisedLinePrompt(line);
    out_.refusalAt = at;
    return false;
  }

  // Words, brackets and attributes up to "= {", or nothing before the "{".
  bool readDeclaration() {
    skipSpace();
    firstLine_ = line_;
    firstLineAt_ = lineAt_;
    char last = 0;
    for (;;) {
      skipSpace();
      if (i_ == s_.size()) return refuse();
      const char c = s_[i_];
      if (c == '{') break;
      const bool word = std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
      if (!word && std::string_view("[]()<>*,.:\"=").find(c) == std::string_view::npos) return refuse();
      if (last == '=') return refuse();
      last = c;
      ++i_;
    }
    if (last != 0 && last != '=') return refuse();
    ++i_;
    return true;
  }

  enum class Items : unsigned char { Read, Refused, Paused };

  // The items up to "}", or those up to `stop` and a pause.
  Items readItems(std::size_t stop) {
    const char* const t = s_.data();
    const std::size_t size = s_.size();
    for (;;) {
      if (i_ >= stop && i_ < size) return Items::Paused;
      // "0x1f," after one blank, the usual item, goes the short way.
      if (i_ < size && t[i_] == ' ') ++i_;
      if (!first_ && i_ + 4 < size && t[i_] == '0' && (t[i_ + 1] == 'x' || t[i_ + 1] == 'X') && isHexDigit(t[i_ + 2]) &&
          isHexDigit(t[i_ + 3]) && t[i_ + 4] == ',') {
        if (places_) out_.places.push_back(static_cast<std::uint32_t>(i_ + 2));
        char* const out = sink_.room(2);
        out[0] = t[i_ + 2];
        out[1] = t[i_ + 3];
        sink_.commit(out + 2);
        ++count_;
        i_ += 5;
        continue;
      }
      skipSpace();
      if (i_ < s_.size() && t[i_] == '}') break;  // after a comma, or an empty list
      if (i_ + 2 >= s_.size() || t[i_] != '0' || (t[i_ + 1] != 'x' && t[i_ + 1] != 'X')) return refuseItem();
      const std::size_t length = hexRun(s_, i_ + 2);
      const std::size_t after = i_ + 2 + length;
      if (length == 0 || length > 2 ||
          (after < s_.size() && (std::isalnum(static_cast<unsigned char>(t[after])) != 0 || t[after] == '_'))) {
        return refuseItem();
      }
      if (first_) itemsLine_ = line_;
      first_ = false;
      if (places_) out_.places.push_back(static_cast<std::uint32_t>(i_ + 2));
      char* out = sink_.room(2);
      if (length == 1) *out++ = '0';
      out = std::copy_n(t + i_ + 2, length, out);
      sink_.commit(out);
      ++count_;
      i_ = after;
      skipSpace();
      if (i_ == s_.size()) return refuseItem();
      if (t[i_] == '}') break;
      if (t[i_] != ',') return refuseItem();
      ++i_;
    }
    ++i_;
    return Items::Read;
  }

  Items refuseItem() {
    refuse();
    return Items::Refused;
  }

  bool stop(bool read) {
    read_ = read;
    phase_ = Phase::Done;
    return true;
  }

  // After the "}": an optional ";" on its line, then at most one length line.
  bool readTail() {
    i_ = skipBlanks(s_, i_);
    if (i_ < s_.size() && s_[i_] == ';') i_ = skipBlanks(s_, i_ + 1);
    if (i_ < s_.size() && !skipLineEnd()) return refuse();
    bool lengthRead = false;
    while (i_ < s_.size()) {
      std::size_t end = i_;
      while (end < s_.size() && lineEndLength(s_, end) == 0) ++end;
      const std::string_view line = s_.substr(i_, end - i_);
      if (!isBlank(line)) {
        if (lengthRead || !isLengthLine(line)) return refuse();
        lengthRead = true;
      }
      i_ = end;
      if (i_ < s_.size()) skipLineEnd();
    }
    return true;
  }

  // "unsigned int NAME_len = N;" with N the number of bytes read.
  [[nodiscard]] bool isLengthLine(std::string_view line) const {
    std::size_t i = skipBlanks(line, 0);
    const auto word = [&](std::string_view expected) {
      if (!line.substr(i).starts_with(expected)) return false;
      i += expected.size();
      const std::size_t next = skipBlanks(line, i);
      const bool separated = next > i;
      i = next;
      return separated;
    };
    if (!word("unsigned") || !word("int")) return false;
    const std::size_t nameStart = i;
    while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) != 0 || line[i] == '_')) ++i;
    const std::string_view name = line.substr(nameStart, i - nameStart);
    if (!name.ends_with("_len") && !name.ends_with("_LEN")) return false;
    i = skipBlanks(line, i);
    if (i == line.size() || line[i] != '=') return false;
    i = skipBlanks(line, i + 1);
    const std::size_t numberStart = i;
    std::uint64_t number = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
      number = number * 10U + static_cast<unsigned>(line[i++] - '0');
    if (i == numberStart || i - numberStart > kMaxLengthDigits) return false;
    i = skipBlanks(line, i);
    return i < line.size() && line[i] == ';' && isBlank(line.substr(i + 1)) && number == count_;
  }

  std::string_view s_;
  std::size_t i_ = 0;
  std::size_t line_ = 1;
  std::size_t lineAt_ = 0;
  std::size_t spaceLine_ = 1;  // where the last skipSpace began
  std::size_t spaceLineAt_ = 0;
  std::size_t firstLine_ = 1;
  std::size_t firstLineAt_ = 0;
  std::size_t itemsLine_ = 1;
  std::size_t count_ = 0;  // bytes read
  enum class Phase : unsigned char { Declaration, Items, Done } phase_ = Phase::Declaration;
  bool first_ = true;  // no item read yet
  bool read_ = false;  // the array was read, not refused
  TextBytes out_;
  DigitSink sink_;
  bool places_;
};

// What a text is to the dump and array readers, and their reading under way.
using DumpOrArray = std::variant<std::monostate, TextBytes, DumpReader, ArrayReader>;

// The first line of `text` that is not blank, and the offset column it begins
// with: it decides whether the text is a dump.
std::optional<std::pair<Line, Offset>> firstLineOffset(std::string_view text) {
  Lines lines(text, false);
  Line line;
  while (lines.next(line)) {
    if (!isBlank(line.text)) return std::pair{line, readOffset(line.text, std::nullopt)};
  }
  return std::nullopt;
}

// Its readers point into themselves, so they are made where they stay.
void startDumpOrArray(DumpOrArray& reading, std::string_view text, bool places) {
  if (const auto first = firstLineOffset(text)) {
    const auto& [line, offset] = *first;
    if (offset.kind == Offset::Octal) {
      TextBytes refused;
      refused.refusal = offsetMismatchPrompt(line.number);
      refused.refusalAt = line.at;
      reading.emplace<TextBytes>(std::move(refused));
      return;
    }
    if (offset.kind == Offset::Valid) {
      reading.emplace<DumpReader>(text, places, offset.shape);
      return;
    }
  }
  if (text.find('{') != std::string_view::npos) reading.emplace<ArrayReader>(text, places);
}

}  // namespace

bool mayBeDumpOrArray(std::string_view text) {
  // The first non-blank line decides. A look at the start of the text will
  // do: a text of one long line, cells as the field holds them, is not read
  // to its end. Where the look ends inside that line, "maybe" whenever the
  // rest could change the answer.
  constexpr std::size_t kLook = std::size_t{1} << 16;
  const std::string_view start = text.substr(0, kLook);
  const bool looked = start.size() < text.size();
  const auto first = firstLineOffset(start);
  if (!first) return looked || text.find('{') != std::string_view::npos;
  const auto& [line, offset] = *first;
  const bool cut = looked && line.text.data() + line.text.size() == start.data() + start.size();
  if (offset.kind != Offset::None || (cut && (offset.alone || skipBlanks(line.text, 0) > kLook / 2))) return true;
  return text.find('{') != std::string_view::npos;
}

struct DumpReading::State {
  DumpOrArray reading;
};

DumpReading::DumpReading(std::string_view text, bool places) : state_(std::make_unique<State>()) {
  startDumpOrArray(state_->reading, text, places);
}
DumpReading::DumpReading(DumpReading&&) noexcept = default;
DumpReading& DumpReading::operator=(DumpReading&&) noexcept = default;
DumpReading::~DumpReading() = default;

bool DumpReading::advance(std::size_t chars) {
  if (auto* dump = std::get_if<DumpReader>(&state_->reading)) return dump->advance(chars);
  if (auto* array = std::get_if<ArrayReader>(&state_->reading)) return array->advance(chars);
  return true;
}

std::optional<TextBytes> DumpReading::finish() {
  if (auto* dump = std::get_if<DumpReader>(&state_->reading)) return dump->finish();
  if (auto* array = std::get_if<ArrayReader>(&state_->reading)) return array->finish();
  if (auto* refused = std::get_if<TextBytes>(&state_->reading)) return std::move(*refused);
  return std::nullopt;
}

std::optional<TextBytes> readDumpOrArray(std::string_view text, bool places) {
  DumpReading reading(text, places);
  reading.advance(SIZE_MAX);
  return reading.finish();
}

}  // namespace quorix

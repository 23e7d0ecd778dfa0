#include "byte_text_reader.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "hex.h"
#include "hex_writer.h"
#include "intel_hex.h"
#include "messages.h"

namespace quorix {

namespace {

constexpr std::size_t kMaxAddressDigits = 8;
constexpr std::size_t kWideAddressDigits = 5;
constexpr std::size_t kMinOffsetDigits = 4;
constexpr std::size_t kMaxOffsetDigits = 8;

struct DirectionMark {
  std::string_view text;
  bool receiving;
};
constexpr std::array<DirectionMark, 8> kDirectionMarks = {{{"收←◆", true},
                                                           {"RX:", true},
                                                           {"Rx:", true},
                                                           {"<-", true},
                                                           {"发→◇", false},
                                                           {"TX:", false},
                                                           {"Tx:", false},
                                                           {"->", false}}};

// What each byte of UTF-8 text is to the reader. Digits and other ASCII
// characters come first, so that one comparison tells a token's character.
enum CharClass : unsigned char {
  kDigit,         // a hexadecimal digit
  kOther,         // any other ASCII character that is no separator
  kSeparator,     // blank, tab, ',', ';', '-'
  kLineBreak,     // CR, LF
  kForeignStart,  // the first byte of a character beyond ASCII
  kForeignMore,   // a further byte of such a character
};

constexpr CharClass classOf(unsigned char byte) noexcept {
  if (byte >= 0xC0U) return kForeignStart;
  if (byte >= 0x80U) return kForeignMore;
  const auto c = static_cast<char>(byte);
  if (isHexDigit(c)) return kDigit;
  if (c == '\r' || c == '\n') return kLineBreak;
  if (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '-') return kSeparator;
  return kOther;
}

constexpr std::array<CharClass, 256> makeCharClasses() noexcept {
  std::array<CharClass, 256> classes{};
  for (std::size_t byte = 0; byte < classes.size(); ++byte) classes[byte] = classOf(static_cast<unsigned char>(byte));
  return classes;
}

constexpr std::array<CharClass, 256> kCharClass = makeCharClasses();

constexpr CharClass charClass(char c) noexcept { return kCharClass[static_cast<unsigned char>(c)]; }

// What each character is inside the brackets of a log prefix.
enum PrefixChar : unsigned char {
  kNotPrefix = 0,
  kPrefixDigit = 1,
  kPrefixColon = 2,
  kPrefixMark = 4,  // '.', '-', '/'
  kPrefixBlank = 8,
};

constexpr std::array<PrefixChar, 256> makePrefixChars() noexcept {
  std::array<PrefixChar, 256> kinds{};
  for (char c = '0'; c <= '9'; ++c) kinds[static_cast<unsigned char>(c)] = kPrefixDigit;
  kinds[static_cast<unsigned char>(':')] = kPrefixColon;
  kinds[static_cast<unsigned char>('.')] = kPrefixMark;
  kinds[static_cast<unsigned char>('-')] = kPrefixMark;
  kinds[static_cast<unsigned char>('/')] = kPrefixMark;
  kinds[static_cast<unsigned char>(' ')] = kPrefixBlank;
  return kinds;
}

constexpr std::array<PrefixChar, 256> kPrefixChar = makePrefixChars();

// How the bytes of a line are written.
enum class Form : unsigned char { None, Plain, ZeroX, SuffixH };

// Why a text is refused, and where.
struct Refusal {
  enum class Kind : unsigned char {
    BadToken,     // a token that is no byte: the cell message unless the text is decorated
    Line,         // the line message
    Mixed,        // received and sent lines together
    AddressLine,  // a malformed address line
  };
  Kind kind = Kind::Line;
  std::size_t at = 0;    // byte offset in the text
  std::size_t line = 0;  // counting from 1
  std::size_t byte = 0;  // for BadToken: the bytes before it + 1
  std::string token;     // for AddressLine: as written
};

// A first bad token of a line under one of its two readings.
struct Spot {
  std::size_t at = 0;
  std::size_t byte = 0;
};

class Reader {
 public:
  Reader(std::string& text, std::optional<CellPlaces> places)
      : text_(text), t_(text.data()), size_(text.size()), places_(std::move(places)) {
    if (places_) {
      places_->clear();
      places_->reserve(size_ / kCellWidth + 1);
    }
    if (startsWith(0, kByteOrderMark)) i_ = textStart_ = kByteOrderMark.size();
    runs_.emplace_back();
    beginLine();
  }

  // Reads on to at least `chars` more bytes of the text, or to its end;
  // true when the whole text is read.
  bool advance(std::size_t chars) {
    if (i_ >= size_) return true;
    stop_ = chars >= size_ - i_ ? size_ : i_ + chars;
    while (i_ < stop_) {
      const char c = t_[i_];
      const CharClass kind = charClass(c);
      if (kind == kSeparator) {
        if (c != ' ' && c != '\t') noteNonBlank(i_);
        ++i_;
        continue;
      }
      if (kind == kLineBreak) {
        i_ += c == '\r' && i_ + 1 < size_ && t_[i_ + 1] == '\n' ? 2 : 1;
        nextLine();
        continue;
      }
      if (kind == kForeignStart) {
        if (const std::size_t blank = multiByteBlank(i_)) {
          i_ += blank;
          continue;
        }
        if (const std::size_t end = multiByteLineEnd(i_)) {
          i_ += end;
          nextLine();
          continue;
        }
      }
      if (kind == kDigit) {
        const bool zeroX = c == '0' && i_ + 1 < size_ && (t_[i_ + 1] == 'x' || t_[i_ + 1] == 'X');
        if (!(zeroX ? zeroXWay() : shortWay())) continue;
      }
      token();
    }
    if (i_ < size_) return false;
    endLine();
    return true;
  }

  // A line read so far refuses the text, whatever follows.
  [[nodiscard]] bool refused() const noexcept { return refusal_.has_value(); }

 private:
  [[nodiscard]] bool startsWith(std::size_t at, std::string_view s) const noexcept {
    if (size_ - at < s.size()) return false;
    // A loop, not memcmp: the strings have two to nine bytes.
    for (std::size_t k = 0; k < s.size(); ++k) {
      if (t_[at + k] != s[k]) return false;
    }
    return true;
  }
  [[nodiscard]] std::size_t multiByteBlank(std::size_t at) const noexcept {
    if (startsWith(at, kNoBreakSpace)) return kNoBreakSpace.size();
    if (startsWith(at, kIdeographicSpace)) return kIdeographicSpace.size();
    return 0;
  }
  [[nodiscard]] std::size_t multiByteLineEnd(std::size_t at) const noexcept {
    if (startsWith(at, kLineSeparator) || startsWith(at, kParagraphSeparator)) return kLineSeparator.size();
    return 0;
  }
  [[nodiscard]] bool endsToken(std::size_t at) const noexcept {
    const CharClass kind = charClass(t_[at]);
    if (kind == kSeparator || kind == kLineBreak) return true;
    return kind == kForeignStart && (multiByteBlank(at) != 0 || multiByteLineEnd(at) != 0);
  }
  [[nodiscard]] std::size_t skipBlanks(std::size_t at) const noexcept {
    for (;;) {
      if (at < size_ && (t_[at] == ' ' || t_[at] == '\t')) {
        ++at;
      } else if (const std::size_t blank = at < size_ && charClass(t_[at]) == kForeignStart ? multiByteBlank(at) : 0) {
        at += blank;
      } else {
        return at;
      }
    }
  }
  [[nodiscard]] bool allHex(std::size_t from, std::size_t to) const noexcept {
    for (std::size_t k = from; k < to; ++k) {
      if (charClass(t_[k]) != kDigit) return false;
    }
    return true;
  }

  void noteNonBlank(std::size_t at) {
    if (!firstNonBlank_) {
      firstNonBlank_ = at;
      firstNonBlankLine_ = lineNo_;
    }
  }

  // The line's first refusal that does not wait for the line's reading.
  void refuseLine(Refusal::Kind kind, std::size_t at, std::string token = {}) {
    if (!line_.refusal || at < line_.refusal->at) line_.refusal = Refusal{kind, at, lineNo_, 0, std::move(token)};
  }

  // Layout as the reader writes it: one blank between tokens and none before the first.
  void checkGap(std::size_t at) {
    if (!layout_) return;
    const std::size_t gap = at - lastTokenEnd_;
    if (gap != 0 && (!anyToken_ || gap != 1 || t_[at - 1] != ' ')) layout_ = false;
  }

  void beginLine() {
    line_.reset(kept_ / 2);
    const std::size_t start = skipBlanks(i_);
    if (start < size_ && t_[start] == '[') {
      decorated_ = true;
      noteNonBlank(start);
      const std::size_t close = logPrefixEnd(start + 1);
      if (close != 0) {
        layout_ = false;
        i_ = skipBlanks(close + 1);
        if (i_ < size_ && charClass(t_[i_]) != kDigit) {
          for (const DirectionMark& mark : kDirectionMarks) {
            if (startsWith(i_, mark.text)) {
              noteDirection(mark.receiving, i_);
              i_ += mark.text.size();
              break;
            }
          }
        }
      }
      return;
    }
    // A mark without a time before it is no log line, but says that the
    // text is meant as one.
    if (start < size_ && charClass(t_[start]) != kDigit) {
      for (const DirectionMark& mark : kDirectionMarks) {
        if (startsWith(start, mark.text)) decorated_ = true;
      }
    }
  }

  // Where the "]" of a log prefix stands, the prefix beginning at `from`
  // after its "[": a time or date (digits with ':', and '.', '-', '/', one
  // blank inside) or a counter (digits only). 0 when it is none.
  [[nodiscard]] std::size_t logPrefixEnd(std::size_t from) const noexcept {
    unsigned seen = 0;  // the kinds of character met, as bits
    std::size_t blanks = 0;
    std::size_t k = from;
    for (;;) {
      // The text ends in the string's '\0', no prefix character: the loops stop there at the latest.
      PrefixChar kind = kNotPrefix;
      while (((kind = kPrefixChar[static_cast<unsigned char>(t_[k])]) & kPrefixBlank) == 0 && kind != kNotPrefix) {
        seen |= kind;
        ++k;
      }
      if (kind != kPrefixBlank || k == from || ++blanks > 1) break;
      ++k;
    }
    if (blanks > 1) return 0;
    if (k == size_ || t_[k] != ']' || t_[k - 1] == ' ' || (seen & kPrefixDigit) == 0) return 0;
    return (seen & ~unsigned{kPrefixDigit}) == 0 || (seen & kPrefixColon) != 0 ? k : 0;
  }

  void noteDirection(bool receiving, std::size_t at) {
    (receiving ? receiving_ : sending_) = true;
    if (receiving_ && sending_) refuseLine(Refusal::Kind::Mixed, at);
  }

  void nextLine() {
    endLine();
    ++lineNo_;
    beginLine();
  }

  void endLine() {
    // The usual line: cells without a fault.
    if (!line_.refusal && line_.twoCharToken && !line_.badAsCells) return;
    std::optional<Refusal> refusal = std::move(line_.refusal);
    if (line_.form == Form::Plain) {
      const bool cells = line_.twoCharToken;
      const std::optional<Spot>& bad = cells ? line_.badAsCells : line_.badAsString;
      if (bad && (!refusal || bad->at < refusal->at))
        refusal = Refusal{Refusal::Kind::BadToken, bad->at, lineNo_, bad->byte, {}};
      const bool offsetColumn = !cells && line_.tokens >= 2 && line_.firstDigits &&
                                line_.firstLength >= kMinOffsetDigits && line_.firstLength <= kMaxOffsetDigits &&
                                line_.firstLength != line_.secondLength;
      if (offsetColumn && (!refusal || line_.firstAt < refusal->at)) {
        refusal = Refusal{Refusal::Kind::Line, line_.firstAt, lineNo_, 0, {}};
      }
    }
    if (refusal && !refusal_) refusal_ = std::move(refusal);
  }

  // Cells of two digits and a blank, the usual text, go the short way, and
  // so do "0x" bytes of two digits with a separator after them. Each answers
  // true when the token at i_ is none of its kind and must go the long way.
  bool shortWay() {
    if (line_.form != Form::None && line_.form != Form::Plain) return true;
    char* const t = t_;
    std::size_t i = i_;
    if (!(i + 2 < size_ && charClass(t[i + 1]) == kDigit && t[i + 2] == ' ')) return true;
    checkGap(i);
    noteNonBlank(i);
    line_.form = Form::Plain;
    line_.twoCharToken = true;
    std::size_t kept = kept_;
    std::size_t tokens = line_.tokens;
    if (tokens < 2) {
      // The offset-column rule looks at the first two tokens of a line.
      (tokens == 0 ? line_.firstLength : line_.secondLength) = 2;
      if (tokens == 0) {
        line_.firstAt = i;
        line_.firstDigits = true;
      }
    }
    do {
      t[kept] = t[i];
      t[kept + 1] = t[i + 1];
      kept += 2;
      i += 3;
      ++tokens;
    } while (i + 2 < size_ && charClass(t[i]) == kDigit && charClass(t[i + 1]) == kDigit && t[i + 2] == ' ' &&
             i < stop_);
    if (places_) {
      for (std::size_t at = i_; at < i; at += kCellWidth) place(at);
    }
    kept_ = kept;
    line_.tokens = tokens;
    i_ = i;
    lastTokenEnd_ = i - 1;
    anyToken_ = true;
    return false;
  }

  bool zeroXWay() {
    if (line_.form != Form::None && line_.form != Form::ZeroX) return true;
    char* const t = t_;
    std::size_t i = i_;
    const auto byteAt = [&](std::size_t at) {
      return at + 4 < size_ && t[at] == '0' && (t[at + 1] == 'x' || t[at + 1] == 'X') &&
             charClass(t[at + 2]) == kDigit && charClass(t[at + 3]) == kDigit && charClass(t[at + 4]) == kSeparator;
    };
    if (!byteAt(i)) return true;
    noteNonBlank(i);
    line_.form = Form::ZeroX;
    decorated_ = true;
    layout_ = false;
    std::size_t kept = kept_;
    do {
      if (places_) place(i + 2);
      t[kept] = t[i + 2];
      t[kept + 1] = t[i + 3];
      kept += 2;
      i += 5;
      while (i < size_ && charClass(t[i]) == kSeparator) ++i;
    } while (i < stop_ && byteAt(i));
    kept_ = kept;
    i_ = i;
    anyToken_ = true;
    return false;
  }

  void token() {
    const std::size_t s = i_;
    std::size_t e = s;
    std::size_t furtherBytes = 0;  // bytes of characters beyond ASCII after their first
    bool allDigits = true;
    while (e < size_ && !endsToken(e)) {
      const CharClass kind = charClass(t_[e]);
      if (kind == kForeignMore && e != s) ++furtherBytes;
      allDigits = allDigits && kind == kDigit;
      ++e;
    }
    i_ = e;
    noteNonBlank(s);
    checkGap(s);
    const std::size_t length = e - s - furtherBytes;  // in characters

    if (t_[s] == '@') {
      addressLine(s, e);
      return;
    }
    if (e == size_ && length == 1 && allDigits && s != textStart_) {
      tailChecked_ = true;  // a cell still being typed: not read, but measured
      return;
    }
    if (length == 1 && (t_[s] == 'q' || t_[s] == 'Q') && skipToEnd(e)) {
      layout_ = false;
      return;
    }

    Form form = Form::Plain;
    std::size_t digitsFrom = s;
    std::size_t digitsTo = e;
    if (e - s >= 2 && t_[s] == '0' && (t_[s + 1] == 'x' || t_[s + 1] == 'X')) {
      form = Form::ZeroX;
      digitsFrom = s + 2;
    } else if (e - s >= 2 && (t_[e - 1] == 'h' || t_[e - 1] == 'H') && allHex(s, e - 1)) {
      form = Form::SuffixH;
      digitsTo = e - 1;
      if (digitsTo - digitsFrom == 3 && t_[s] == '0') ++digitsFrom;
    }
    if (line_.form == Form::None) {
      line_.form = form;
    } else if (line_.form != form) {
      refuseLine(Refusal::Kind::Line, s);
    }
    lastTokenEnd_ = e;
    anyToken_ = true;

    if (form != Form::Plain) {
      decorated_ = true;
      layout_ = false;
      const std::size_t n = digitsTo - digitsFrom;
      if (n < 1 || n > 2 || !allHex(digitsFrom, digitsTo)) {
        refuseLine(Refusal::Kind::Line, s);
        return;
      }
      const char lo = t_[digitsTo - 1];
      const char hi = n == 2 ? t_[digitsFrom] : '0';
      if (places_) place(form == Form::ZeroX ? digitsFrom : s);
      t_[kept_++] = hi;
      t_[kept_++] = lo;
      ++line_.tokens;
      return;
    }

    const std::size_t index = line_.tokens++;
    if (index == 0) {
      line_.firstLength = length;
      line_.firstAt = s;
      line_.firstDigits = allDigits;
    } else if (index == 1) {
      line_.secondLength = length;
    }
    if (length == 2) line_.twoCharToken = true;
    if (length != 2 || !allDigits) {
      layout_ = false;
      if (!line_.badAsCells) line_.badAsCells = Spot{s, line_.bytesAtStart + index + 1};
    }
    if ((length % 2 != 0 || !allDigits) && !line_.badAsString) line_.badAsString = Spot{s, kept_ / 2 + 1};
    if (allDigits) {
      if (places_) {
        for (std::size_t at = s; at + 1 < e; at += 2) place(at);
      }
      std::memmove(t_ + kept_, t_ + s, e - s);
      kept_ += e - s;
    }
  }

  // True when nothing but separators follows `at`.
  [[nodiscard]] bool skipToEnd(std::size_t at) const noexcept {
    while (at < size_) {
      const CharClass kind = charClass(t_[at]);
      if (kind == kSeparator || kind == kLineBreak) {
        ++at;
      } else if (const std::size_t n = multiByteBlank(at) + multiByteLineEnd(at)) {
        at += n;
      } else {
        return false;
      }
    }
    return true;
  }

  void addressLine(std::size_t s, std::size_t e) {
    layout_ = false;
    const std::size_t digits = e - s - 1;
    if (digits < 1 || digits > kMaxAddressDigits || !allHex(s + 1, e)) {
      refuseLine(Refusal::Kind::AddressLine, s, std::string(t_ + s, e - s));
      return;
    }
    std::uint64_t address = 0;
    for (std::size_t k = s + 1; k < e; ++k) address = address * 16U + kDigitValues[static_cast<unsigned char>(t_[k])];
    closeRun();
    TextRun run;
    run.origin = TextRun::Origin::AddressLine;
    run.address = address;
    run.first = kept_ / 2;
    run.line = lineNo_;
    run.label.assign(t_ + s, e - s);
    run.wide = digits >= kWideAddressDigits || address > kLast16BitAddress;
    runs_.push_back(std::move(run));
  }

  void closeRun() { runs_.back().count = kept_ / 2 - runs_.back().first; }

  void place(std::size_t at) { places_->push_back(static_cast<std::uint32_t>(at)); }

 public:
  // The text read; once, after advance() answered true.
  TextBytes finish() {
    closeRun();
    if (!refusal_ && kept_ == 0 && firstNonBlank_) {
      refusal_ = Refusal{Refusal::Kind::Line, *firstNonBlank_, firstNonBlankLine_, 0, {}};
    }
    TextBytes result;
    if (refusal_) {
      result.refusalAt = refusal_->at;
      switch (refusal_->kind) {
        case Refusal::Kind::BadToken:
          result.refusal = decorated_ ? unrecognisedLinePrompt(refusal_->line) : nonHexPrompt(refusal_->byte);
          break;
        case Refusal::Kind::Line:
          result.refusal = unrecognisedLinePrompt(refusal_->line);
          break;
        case Refusal::Kind::Mixed:
          result.refusal = std::string(kMixedDirectionPrompt);
          break;
        case Refusal::Kind::AddressLine:
          result.refusal = badAddressLinePrompt(refusal_->token);
          break;
      }
      return result;
    }
    if (!tailChecked_) checkGap(size_);
    const std::size_t cells = kept_ / 2;
    if (layout_) {
      // Bar1 keeps the measure of the text's length it always had: a third
      // of it, and a step for each 48 characters begun.
      result.barMax = static_cast<float>(static_cast<double>(size_) / kCellWidth);
      const std::size_t steps = (size_ + kBlockCells * kCellWidth - 1) / (kBlockCells * kCellWidth);
      result.finalBarStep = steps > (cells + kBlockCells - 1) / kBlockCells;
    } else {
      result.barMax = static_cast<float>(cells);
    }
    result.runs = std::move(runs_);
    if (places_) result.places = std::move(*places_);
    text_.resize(kept_);
    result.digits = std::move(text_);
    return result;
  }

 private:
  struct Line {
    // Cheaper than assigning a fresh Line, once for every line of a large text.
    void reset(std::size_t bytes) {
      bytesAtStart = bytes;
      form = Form::None;
      twoCharToken = false;
      tokens = 0;
      badAsCells.reset();
      badAsString.reset();
      refusal.reset();
    }

    std::size_t bytesAtStart = 0;
    Form form = Form::None;
    bool twoCharToken = false;
    std::size_t tokens = 0;  // of bytes
    std::size_t firstLength = 0;
    std::size_t secondLength = 0;
    std::size_t firstAt = 0;
    bool firstDigits = false;
    std::optional<Spot> badAsCells;
    std::optional<Spot> badAsString;
    std::optional<Refusal> refusal;
  };

  std::string& text_;
  // A plain pointer: writes through the string's own would make the compiler
  // load its data pointer again after every character.
  char* t_;
  std::size_t size_;
  std::size_t i_ = 0;
  std::size_t stop_ = 0;  // where the stretch being read ends
  std::size_t kept_ = 0;  // digits moved to the front
  std::size_t textStart_ = 0;
  std::size_t lineNo_ = 1;
  Line line_;
  bool layout_ = true;
  bool anyToken_ = false;
  bool tailChecked_ = false;
  std::size_t lastTokenEnd_ = 0;
  bool decorated_ = false;
  bool receiving_ = false;
  bool sending_ = false;
  std::optional<std::size_t> firstNonBlank_;
  std::size_t firstNonBlankLine_ = 0;
  std::optional<Refusal> refusal_;
  std::vector<TextRun> runs_;
  // The text offset of each byte read, when asked for.
  std::optional<CellPlaces> places_;
};

}  // namespace

struct ByteTextReading::State {
  State(std::string&& t, std::optional<CellPlaces> places) : text(std::move(t)), reader(text, std::move(places)) {}
  std::string text;
  Reader reader;
};

ByteTextReading::ByteTextReading(std::string text, std::optional<CellPlaces> places)
    : state_(std::make_unique<State>(std::move(text), std::move(places))) {}
ByteTextReading::ByteTextReading(ByteTextReading&&) noexcept = default;
ByteTextReading& ByteTextReading::operator=(ByteTextReading&&) noexcept = default;
ByteTextReading::~ByteTextReading() = default;

bool ByteTextReading::advance(std::size_t chars) { return state_->reader.advance(chars); }

bool ByteTextReading::refused() const noexcept { return state_->reader.refused(); }

std::string_view ByteTextReading::text() const noexcept { return state_->text; }

TextBytes ByteTextReading::finish() { return state_->reader.finish(); }

TextBytes readByteText(std::string text, bool places) {
  ByteTextReading reading(std::move(text), places ? std::optional<CellPlaces>(std::in_place) : std::nullopt);
  reading.advance(SIZE_MAX);
  return reading.finish();
}

}  // namespace quorix

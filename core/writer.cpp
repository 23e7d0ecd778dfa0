#include "writer.h"

#include <algorithm>
#include <array>
#include <memory>

#include "messages.h"

namespace quorix {

namespace {

constexpr std::string_view kHexExtensionLower = ".hex";
constexpr std::string_view kHexExtensionUpper = ".HEX";
constexpr std::string_view kTrailingFill = "FF";
constexpr unsigned kDataRecord = 0x00;
constexpr unsigned kLinearAddressRecord = 0x04;
constexpr std::size_t kMaxStartDigits = 8;
constexpr std::size_t kShortStartDigits = 4;
constexpr std::uint64_t kRangeSize = 0x1'0000;            // bytes a record's 16-bit address reaches
constexpr std::uint64_t kExtendedTop = 0x1'0000'0000ULL;  // first address beyond a 32-bit file

// What each byte of UTF-8 text is to the cell reader.
enum CharClass : unsigned char {
  kOther,         // an ASCII character that is neither digit nor separator
  kDigit,         // a hexadecimal digit
  kSeparator,     // blank, tab, CR, LF, ',', ';', '-'
  kForeignStart,  // the first byte of a character beyond ASCII
  kForeignMore,   // a further byte of such a character
};

constexpr CharClass classOf(char c) noexcept {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0xC0U) return kForeignStart;
  if (byte >= 0x80U) return kForeignMore;
  if (isHexDigit(c)) return kDigit;
  if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';' || c == '-') return kSeparator;
  return kOther;
}

// The class of every byte value, so that the loops over a text of fifty
// million characters look each one up instead of branching.
constexpr std::array<CharClass, 256> makeCharClasses() noexcept {
  std::array<CharClass, 256> classes{};
  for (std::size_t byte = 0; byte < classes.size(); ++byte) classes[byte] = classOf(static_cast<char>(byte));
  return classes;
}

constexpr std::array<CharClass, 256> kCharClass = makeCharClasses();

constexpr CharClass charClass(char c) noexcept { return kCharClass[static_cast<unsigned char>(c)]; }

// Builds one record line at a time, without allocating, for files of a million records.
class RecordLine {
 public:
  // `digits` are the data, two per byte, written as they stand so that they
  // keep their letter case; at most kBlockCells bytes.
  std::string_view make(std::uint64_t address, unsigned type, std::string_view digits) noexcept {
    char* out = chars_.data();
    unsigned sum = 0;
    *out++ = ':';
    out = put(out, static_cast<unsigned>(digits.size() / 2), sum);
    out = put(out, static_cast<unsigned>(address >> 8U), sum);
    out = put(out, static_cast<unsigned>(address), sum);
    out = put(out, type, sum);
    out = std::copy(digits.begin(), digits.end(), out);
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) sum += byteValue(digits[i], digits[i + 1]);
    out = put(out, 0x100U - (sum & 0xFFU), sum);
    return {chars_.data(), static_cast<std::size_t>(out - chars_.data())};
  }

 private:
  static char* put(char* out, unsigned value, unsigned& sum) noexcept {
    value &= 0xFFU;
    *out++ = hexDigit(value >> 4U);
    *out++ = hexDigit(value);
    sum += value;
    return out;
  }

  std::array<char, 1 + 2 * (4 + kBlockCells + 1)> chars_{};
};

void reportSaveFailed(WindowServices& ui, std::string_view reason) {
  ui.messageBox(withReason(kSaveFailedPrompt, reason), Buttons::Ok, kFileErrorTitle);
}

// Asks for the file until the user picks one that may be written: a new or
// empty one, or one the user agrees to overwrite. Nothing when cancelled, or
// when the file cannot be written at all (that is reported, before any question).
std::optional<std::string> chooseFile(WindowServices& ui) {
  ui.setFilter(kHexFileFilter);
  for (;;) {
    // A dialog that could not be shown is not reported; the name it holds is used.
    if (ui.showSave() == DialogOutcome::Cancelled) return std::nullopt;
    const std::string chosen = ui.fileName();
    std::string name = withHexExtension(chosen);
    if (name != chosen) ui.setFileName(name);

    if (const std::string refusal = ui.replaceRefusal(name); !refusal.empty()) {
      reportSaveFailed(ui, refusal);
      return std::nullopt;
    }
    // A missing file, or one whose length cannot be learnt, counts as empty.
    if (ui.fileLength(name).value_or(0) == 0) return name;
    // The dialog comes back preset with the name; the filter stays as it is.
    if (ui.messageBox(kOverwritePrompt, Buttons::OkCancel, kOverwriteTitle) == Answer::Ok) return name;
  }
}

}  // namespace

std::string withHexExtension(std::string name) {
  const std::string_view view = name;
  if (!view.ends_with(kHexExtensionLower) && !view.ends_with(kHexExtensionUpper)) name.append(kHexExtensionLower);
  return name;
}

std::optional<StartAddress> startAddress(std::string_view text5) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text5.empty() && blank(text5.front())) text5.remove_prefix(1);
  while (!text5.empty() && blank(text5.back())) text5.remove_suffix(1);
  // Bytes of characters beyond ASCII, full-width digits among them, are no hexadecimal digits.
  if (text5.size() > kMaxStartDigits || !std::all_of(text5.begin(), text5.end(), isHexDigit)) return std::nullopt;
  StartAddress start;
  for (const char c : text5) start.value = start.value * 16U + static_cast<std::uint32_t>(digitValue(c));
  start.extended = text5.size() > kShortStartDigits;
  return start;
}

ByteText readCells(std::string& text) {
  // One pass judges every run both ways, as a cell and as a digit string,
  // because which reading applies is known only at the end; meanwhile the
  // run's characters move to the front. Writing never overtakes reading, so
  // the text needs no second copy.
  std::size_t kept = 0;   // characters moved to the front
  std::size_t chars = 0;  // characters read
  std::size_t runs = 0;
  bool someTwoCharRun = false;
  std::optional<std::size_t> badAsCells;
  std::optional<std::size_t> badAsString;
  bool readerLayout = true;  // cells of two digits and one blank from the first character on

  // A plain pointer: writes through the string's own would make the compiler
  // load its data pointer again after every character.
  char* const t = text.data();
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    const std::size_t separatorStart = i;
    while (i < size && charClass(t[i]) == kSeparator) ++i;
    const std::size_t separators = i - separatorStart;
    chars += separators;
    if (separators != 0 && (runs == 0 || separators != 1 || t[separatorStart] != ' ')) readerLayout = false;
    if (i == size) break;

    // Cells of two digits and one blank, the usual text, go the short way.
    while (i + 3 < size && charClass(t[i]) == kDigit && charClass(t[i + 1]) == kDigit && t[i + 2] == ' ' &&
           charClass(t[i + 3]) != kSeparator) {
      t[kept++] = t[i];
      t[kept++] = t[i + 1];
      i += 3;
      chars += 3;
      ++runs;
      someTwoCharRun = true;
    }

    const std::size_t runStart = i;
    const std::size_t runKept = kept;
    bool allDigits = true;
    for (; i < size; ++i) {
      const CharClass kind = charClass(t[i]);
      if (kind == kSeparator) break;
      // A further byte of a character adds nothing; one without its first
      // byte, which valid UTF-8 never holds, counts as a character of its own.
      if (kind == kForeignMore && i != runStart) continue;
      ++chars;
      allDigits = allDigits && kind == kDigit;
      t[kept++] = kind == kDigit || kind == kOther ? t[i] : kForeignChar;
    }
    const std::size_t length = kept - runKept;

    // A lone digit at the very end, after a separator, is the start of a cell
    // still being typed: it is not read.
    if (i == size && length == 1 && allDigits && runStart != 0) {
      kept = runKept;
      break;
    }
    someTwoCharRun = someTwoCharRun || length == 2;
    if (!badAsCells && (length != 2 || !allDigits)) badAsCells = runs + 1;
    if (!badAsString && (length % 2 != 0 || !allDigits)) badAsString = runKept / 2 + 1;
    readerLayout = readerLayout && length == 2 && allDigits;
    ++runs;
  }

  ByteText result;
  result.cells = someTwoCharRun ? runs : kept / 2;
  result.badCell = someTwoCharRun ? badAsCells : badAsString;
  if (readerLayout) {
    // Bar1 and the blocks keep the measure of the text's length they always
    // had: a third of it, and a block for each 48 characters begun.
    result.barMax = static_cast<float>(static_cast<double>(chars) / kCellWidth);
    result.blocks = (chars + kBlockCells * kCellWidth - 1) / (kBlockCells * kCellWidth);
  } else {
    result.barMax = static_cast<float>(result.cells);
    result.blocks = (result.cells + kBlockCells - 1) / kBlockCells;
  }
  return result;
}

RecordsEnd writeRecords(std::string_view digits, std::size_t blocks, StartAddress start,
                        const std::function<bool(std::string_view)>& writeLine,
                        const std::function<void(std::size_t)>& progress) {
  const std::size_t cells = digits.size() / 2;
  const std::uint64_t top = start.extended ? kExtendedTop : kRangeSize;
  std::optional<std::uint64_t> range;  // the 64 KiB range the last extended address record named
  RecordLine line;

  for (std::size_t n = 0; n < blocks; ++n) {
    const std::size_t first = n * kBlockCells;
    std::size_t count = first < cells ? std::min(kBlockCells, cells - first) : 0;
    progress(first + count);

    // "FF" at the end of a block is fill, as the reader writes it for every
    // address that no record covers. Only these upper-case letters count.
    while (count > 0 && digits.substr(2 * (first + count - 1), 2) == kTrailingFill) --count;

    std::uint64_t address = start.value + static_cast<std::uint64_t>(first);
    std::string_view data = digits.substr(2 * first, 2 * count);
    while (!data.empty()) {
      if (address >= top) return RecordsEnd::AddressTooLarge;
      // A record's address has 16 bits: a block that crosses into the next
      // 64 KiB range is split there, each part keeping its bytes.
      const std::uint64_t room = kRangeSize - address % kRangeSize;
      const auto taken = static_cast<std::size_t>(std::min<std::uint64_t>(data.size() / 2, room));
      if (start.extended && range != address / kRangeSize) {
        range = address / kRangeSize;
        const std::array<char, 4> upperDigits = hexDigits<4>(*range);
        if (!writeLine(line.make(0, kLinearAddressRecord, {upperDigits.data(), upperDigits.size()}))) {
          return RecordsEnd::WriteFailed;
        }
      }
      if (!writeLine(line.make(address, kDataRecord, data.substr(0, 2 * taken)))) return RecordsEnd::WriteFailed;
      data.remove_prefix(2 * taken);
      address += taken;
    }
  }
  return writeLine(kEndOfFileRecord) ? RecordsEnd::Complete : RecordsEnd::WriteFailed;
}

void saveCommand(WindowServices& ui) {
  const std::optional<std::string> name = chooseFile(ui);
  if (!name) return;

  std::string text = ui.text(Field::Text1);
  const ByteText byteText = readCells(text);
  if (byteText.badCell) {
    ui.messageBox(nonHexPrompt(*byteText.badCell), Buttons::Ok, kFileErrorTitle);
    return;
  }
  const std::optional<StartAddress> start = startAddress(ui.text(Field::Text5));
  if (!start) {
    ui.messageBox(kBadStartAddressPrompt, Buttons::Ok, kFileErrorTitle);
    return;
  }

  const std::unique_ptr<LineWriter> file = ui.replaceFile(*name);
  if (!file) {
    reportSaveFailed(ui, ui.replaceRefusal(*name));
    return;
  }
  ui.setBarMax(byteText.barMax);

  const RecordsEnd end = writeRecords(
      std::string_view(text).substr(0, 2 * byteText.cells), byteText.blocks, *start,
      [&file](std::string_view line) { return file->writeLine(line); },
      [&ui](std::size_t value) { ui.setBarValue(static_cast<float>(value)); });
  switch (end) {
    case RecordsEnd::Complete:
      if (!file->commit()) reportSaveFailed(ui, file->failure());
      return;
    case RecordsEnd::AddressTooLarge:
      // The records before the stop are kept, without an end-of-file record.
      ui.messageBox(kAddressTooLargePrompt, Buttons::Ok);
      if (!file->commit()) reportSaveFailed(ui, file->failure());
      return;
    case RecordsEnd::WriteFailed:
      // The unfinished file is dropped with the writer; the old one stays.
      reportSaveFailed(ui, file->failure());
      return;
  }
}

}  // namespace quorix

#include "writer.h"

#include <algorithm>
#include <memory>

#include "messages.h"

namespace quorix {

namespace {

constexpr std::string_view kHexExtensionLower = ".hex";
constexpr std::string_view kHexExtensionUpper = ".HEX";
constexpr std::string_view kTrailingFill = "FF";
constexpr unsigned kLastAddress = 0xFFFF;

// Appends the two digits of `value`'s low byte and adds that byte to `sum`.
void appendByte(std::string& line, unsigned value, unsigned& sum) {
  value &= 0xFFU;
  line.push_back(hexDigit(value >> 4U));
  line.push_back(hexDigit(value));
  sum += value;
}

// Asks for the file until the user picks one that may be written: a new or
// empty one, or one the user agrees to overwrite. Nothing when cancelled.
std::optional<std::string> chooseFile(WindowServices& ui) {
  ui.setFilter(kHexFileFilter);
  for (;;) {
    // A dialog that could not be shown is not reported; the name it holds is used.
    if (ui.showSave() == DialogOutcome::Cancelled) return std::nullopt;
    const std::string chosen = ui.fileName();
    std::string name = withHexExtension(chosen);
    if (name != chosen) ui.setFileName(name);

    // A missing file, or one whose length cannot be learnt, counts as empty.
    if (ui.fileLength(name).value_or(0) == 0) return name;
    // The dialog comes back preset with the name; the filter stays as it is.
    if (ui.messageBox(kOverwritePrompt, Buttons::OkCancel, kOverwriteTitle) == Answer::Ok) return name;
  }
}

void reportSaveFailed(WindowServices& ui) { ui.messageBox(kSaveFailedPrompt, Buttons::Ok, kFileErrorTitle); }

}  // namespace

std::string withHexExtension(std::string name) {
  const std::string_view view = name;
  if (!view.ends_with(kHexExtensionLower) && !view.ends_with(kHexExtensionUpper)) name.append(kHexExtensionLower);
  return name;
}

unsigned startAddress(std::string_view text5) {
  const std::string units = toCharUnits(text5);
  if (units.size() != 4) return 0;
  const auto high = static_cast<unsigned>(Str_Hex(std::string_view(units).substr(0, 2)));
  const auto low = static_cast<unsigned>(Str_Hex(std::string_view(units).substr(2, 2)));
  return high * 256U + low;
}

std::optional<std::size_t> firstNonHexCell(std::string_view units) noexcept {
  const std::size_t cells = countedCells(units.size());
  for (std::size_t c = 0; c < cells; ++c) {
    const std::size_t at = c * kCellWidth;
    if (!isHexDigit(units[at]) || !isHexDigit(units[at + 1])) return c + 1;
  }
  return std::nullopt;
}

RecordsEnd writeRecords(std::string_view units, unsigned start, const std::function<bool(std::string_view)>& writeLine,
                        const std::function<void(std::size_t)>& progress) {
  const std::size_t cells = countedCells(units.size());
  std::string line;
  line.reserve(1 + 2 * (4 + kBlockCells) + 2);

  // Block n begins at character 48n; a lone character after the last cell
  // still makes a block, which holds no cell.
  for (std::size_t n = 0; n * kBlockCells * kCellWidth < units.size(); ++n) {
    const std::size_t first = n * kBlockCells;
    std::size_t count = first < cells ? std::min(kBlockCells, cells - first) : 0;
    progress(first + count);

    // "FF" at the end of a block is fill, as the reader writes it for every
    // address that no record covers. Only these upper-case letters count.
    while (count > 0 && units.substr((first + count - 1) * kCellWidth, 2) == kTrailingFill) --count;
    if (count == 0) continue;

    const std::size_t address = start + first;
    if (address > kLastAddress) return RecordsEnd::AddressTooLarge;

    unsigned sum = 0;
    line.assign(1, ':');
    appendByte(line, static_cast<unsigned>(count), sum);
    appendByte(line, static_cast<unsigned>(address >> 8U), sum);
    appendByte(line, static_cast<unsigned>(address), sum);
    appendByte(line, 0, sum);
    for (std::size_t c = first; c < first + count; ++c) {
      // The digits keep the letter case they have in the text.
      const std::string_view digits = units.substr(c * kCellWidth, 2);
      line.append(digits);
      sum += static_cast<unsigned>(Str_Hex(digits));
    }
    line.append(Hexx(-static_cast<long long>(sum)));
    if (!writeLine(line)) return RecordsEnd::WriteFailed;
  }
  return writeLine(kEndOfFileRecord) ? RecordsEnd::Complete : RecordsEnd::WriteFailed;
}

void saveCommand(WindowServices& ui) {
  const std::optional<std::string> name = chooseFile(ui);
  if (!name) return;

  const std::string units = toCharUnits(ui.text(Field::Text1));
  if (const std::optional<std::size_t> bad = firstNonHexCell(units)) {
    ui.messageBox(nonHexPrompt(*bad), Buttons::Ok, kFileErrorTitle);
    return;
  }
  const unsigned start = startAddress(ui.text(Field::Text5));

  const std::unique_ptr<LineWriter> file = ui.replaceFile(*name);
  if (!file) {
    reportSaveFailed(ui);
    return;
  }
  ui.setBarMax(static_cast<float>(static_cast<double>(units.size()) / 3.0));

  const RecordsEnd end = writeRecords(
      units, start, [&file](std::string_view line) { return file->writeLine(line); },
      [&ui](std::size_t value) { ui.setBarValue(static_cast<float>(value)); });
  switch (end) {
    case RecordsEnd::Complete:
      if (!file->commit()) reportSaveFailed(ui);
      return;
    case RecordsEnd::AddressTooLarge:
      // The records before the stop are kept, without an end-of-file record.
      ui.messageBox(kAddressTooLargePrompt, Buttons::Ok);
      if (!file->commit()) reportSaveFailed(ui);
      return;
    case RecordsEnd::WriteFailed:
      // The unfinished file is dropped with the writer; the old one stays.
      reportSaveFailed(ui);
      return;
  }
}

}  // namespace quorix

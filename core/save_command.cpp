#include "save_command.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

#include "byte_text_reader.h"
#include "hex.h"
#include "hex_writer.h"
#include "intel_hex.h"
#include "messages.h"

namespace quorix {

namespace {

constexpr std::string_view kHexExtensionLower = ".hex";
constexpr std::string_view kHexExtensionUpper = ".HEX";
constexpr std::string_view kFill = "FF";
constexpr std::size_t kMaxStartDigits = 8;
constexpr std::size_t kShortStartDigits = 4;

// "文件保存失败！", with the reason on a line of its own when it is known.
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

// Text1 read as byte text; a text those rules refuse may still be an offset
// dump or a C array.
TextBytes readText1(WindowServices& ui) {
  TextBytes bytes = readByteText(ui.text(Field::Text1));
  if (bytes.refusal) {
    if (std::optional<TextBytes> other = readDumpOrArray(ui.text(Field::Text1))) return std::move(*other);
  }
  return bytes;
}

SaveRefusal fileError(std::string prompt) { return {std::move(prompt), kFileErrorTitle}; }

// The address of the last cell a range writes: the last that is not fill.
std::optional<std::uint64_t> lastWritten(const ImageRange& range) {
  for (std::size_t cell = range.digits.size() / 2; cell > 0; --cell) {
    if (range.digits.substr(2 * (cell - 1), 2) != kFill) return range.address + cell - 1;
  }
  return std::nullopt;
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
  if (text5.starts_with("0x") || text5.starts_with("0X")) {
    text5.remove_prefix(2);
    if (text5.empty()) return std::nullopt;
  }
  // Bytes of characters beyond ASCII, full-width digits among them, are no hexadecimal digits.
  if (text5.size() > kMaxStartDigits || !std::all_of(text5.begin(), text5.end(), isHexDigit)) return std::nullopt;
  StartAddress start;
  for (const char c : text5) start.value = start.value * 16U + static_cast<std::uint32_t>(digitValue(c));
  start.extended = text5.size() > kShortStartDigits;
  return start;
}

std::variant<SavePlan, SaveRefusal> planSave(const TextBytes& bytes, std::string_view text5) {
  if (bytes.refusal) return fileError(*bytes.refusal);

  bool cellsAfterStart = false;
  bool absolute = false;
  bool dump = false;
  SavePlan plan;
  for (const TextRun& run : bytes.runs) {
    if (run.origin == TextRun::Origin::AfterStart) {
      cellsAfterStart = cellsAfterStart || run.count > 0;
    } else {
      absolute = true;
      dump = dump || run.origin == TextRun::Origin::DumpOffset;
      plan.extended = plan.extended || run.wide;
    }
  }
  if (dump) {
    const std::optional<StartAddress> zero = startAddress(text5);
    if (!zero || zero->value != 0) return fileError(std::string(kDumpOffsetStartPrompt));
  }
  // Text5 counts only for bytes before the first address line; a text
  // without address lines reads it as always, even without bytes.
  StartAddress start;
  if (cellsAfterStart || !absolute) {
    const std::optional<StartAddress> typed = startAddress(text5);
    if (!typed) return fileError(std::string(kBadStartAddressPrompt));
    start = *typed;
    plan.extended = plan.extended || start.extended;
  }

  // Ranges in address order, ties in the text's order.
  std::vector<std::size_t> order;
  for (std::size_t r = 0; r < bytes.runs.size(); ++r) {
    if (bytes.runs[r].count > 0) order.push_back(r);
  }
  const auto addressOf = [&](std::size_t r) {
    const TextRun& run = bytes.runs[r];
    return run.origin == TextRun::Origin::AfterStart ? start.value + run.address : run.address;
  };
  if (!std::is_sorted(order.begin(), order.end(),
                      [&](std::size_t a, std::size_t b) { return addressOf(a) < addressOf(b); })) {
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return addressOf(a) < addressOf(b); });
  }

  std::uint64_t end = 0;     // the end of the ranges placed so far
  std::size_t endOwner = 0;  // the run that reaches it
  std::optional<std::uint64_t> last;
  plan.image.reserve(order.size());
  for (const std::size_t r : order) {
    const TextRun& run = bytes.runs[r];
    const ImageRange range{addressOf(r), std::string_view(bytes.digits).substr(2 * run.first, 2 * run.count), run.line};
    if (!plan.image.empty() && range.address < end) {
      // The message names the block that stands later in the text.
      const TextRun& later = bytes.runs[std::max(r, endOwner)];
      return fileError(
          overlappingAddressLinePrompt(later.label.empty() ? "@" + addressText(later.address, true) : later.label));
    }
    if (range.end() > end) {
      end = range.end();
      endOwner = r;
    }
    if (const std::optional<std::uint64_t> written = lastWritten(range)) last = std::max(last.value_or(0), *written);
    plan.image.push_back(range);
  }

  if (last && *last > (plan.extended ? kLast32BitAddress : kLast16BitAddress)) {
    std::string prompt(kAddressTooLargePrompt);
    if (!plan.extended) prompt.append("\n").append(kBeyondFFFFAdvice);
    return SaveRefusal{std::move(prompt), std::nullopt};
  }
  return plan;
}

void saveCommand(WindowServices& ui) {
  const std::optional<std::string> name = chooseFile(ui);
  if (!name) return;

  const TextBytes bytes = readText1(ui);
  const std::variant<SavePlan, SaveRefusal> planned = planSave(bytes, ui.text(Field::Text5));
  if (const auto* refusal = std::get_if<SaveRefusal>(&planned)) {
    ui.messageBox(refusal->prompt, Buttons::Ok, refusal->title);
    return;
  }
  const auto& plan = std::get<SavePlan>(planned);

  const std::unique_ptr<LineWriter> file = ui.replaceFile(*name);
  if (!file) {
    reportSaveFailed(ui, ui.replaceRefusal(*name));
    return;
  }
  ui.setBarMax(bytes.barMax);
  const bool written = writeRecords(
      plan.image, plan.extended, [&file](std::string_view line) { return file->writeLine(line); },
      [&ui](std::size_t value) { ui.setBarValue(static_cast<float>(value)); }, bytes.finalBarStep);
  // After a failed line the unfinished file is dropped with the writer; the old one stays.
  if (!written || !file->commit()) reportSaveFailed(ui, file->failure());
}

}  // namespace quorix

#include "text_places.h"

#include <algorithm>
#include <functional>
#include <variant>

#include "byte_text_reader.h"
#include "hex.h"
#include "save_command.h"

namespace quorix {

std::optional<std::size_t> TextPlaces::cellAt(std::size_t at) const noexcept {
  if (bytes.places.empty()) return std::nullopt;
  const std::size_t after = bytes.places.upperBound(at);
  return after == 0 ? 0 : after - 1;
}

std::pair<std::size_t, std::size_t> TextPlaces::cellsIn(std::size_t from, std::size_t to) const noexcept {
  const std::size_t first = bytes.places.lowerBound(from);
  return {first, std::max(first, bytes.places.lowerBound(to))};
}

std::size_t TextPlaces::runOf(std::size_t cell) const noexcept {
  const auto& runs = bytes.runs;
  const auto after =
      std::upper_bound(runs.begin(), runs.end(), cell, [](std::size_t c, const TextRun& run) { return c < run.first; });
  return after == runs.begin() ? 0 : static_cast<std::size_t>(after - runs.begin() - 1);
}

std::uint64_t TextPlaces::addressOf(std::size_t cell) const noexcept {
  const std::size_t run = runOf(cell);
  return runAddress[run] + (cell - bytes.runs[run].first);
}

std::string TextPlaces::addressText(std::uint64_t address) const { return quorix::addressText(address, wide); }

std::optional<std::size_t> TextPlaces::cellOfAddress(std::uint64_t address) const noexcept {
  for (std::size_t r = 0; r < bytes.runs.size(); ++r) {
    const TextRun& run = bytes.runs[r];
    if (address >= runAddress[r] && address - runAddress[r] < run.count) return run.first + (address - runAddress[r]);
  }
  return std::nullopt;
}

std::uint8_t TextPlaces::valueOf(std::size_t cell) const noexcept {
  return static_cast<std::uint8_t>(byteValue(bytes.digits[2 * cell], bytes.digits[2 * cell + 1]));
}

std::optional<std::size_t> TextPlaces::find(std::string_view bytes, std::size_t from) const {
  if (bytes.empty() || bytes.size() > cells()) return std::nullopt;
  std::string values(cells(), '\0');
  for (std::size_t cell = 0; cell < values.size(); ++cell) values[cell] = static_cast<char>(valueOf(cell));
  const std::string_view all = values;
  const std::boyer_moore_horspool_searcher searcher(bytes.begin(), bytes.end());
  from = std::min(from, values.size());
  if (const auto hit = std::search(all.begin() + static_cast<std::ptrdiff_t>(from), all.end(), searcher);
      hit != all.end()) {
    return static_cast<std::size_t>(hit - all.begin());
  }
  // Once round: a run that begins before `from`.
  const std::size_t end = std::min(values.size(), from + bytes.size() - 1);
  const std::string_view before = all.substr(0, end);
  if (const auto hit = std::search(before.begin(), before.end(), searcher); hit != before.end()) {
    return static_cast<std::size_t>(hit - before.begin());
  }
  return std::nullopt;
}

namespace {

// Places the bytes read with the start address `text5`, or takes the save's refusal.
TextPlaces place(TextBytes bytes, std::string_view text5) {
  TextPlaces result;
  result.bytes = std::move(bytes);
  if (result.bytes.refusal) {
    result.refusal = result.bytes.refusal;
    result.refusalAt = result.bytes.refusalAt;
    result.bytes.places.clear();
    return result;
  }
  const std::variant<SavePlan, SaveRefusal> plan = planSave(result.bytes, text5);
  if (const auto* refused = std::get_if<SaveRefusal>(&plan); refused != nullptr) {
    result.refusal = refused->prompt;
    result.bytes.places.clear();
    return result;
  }
  result.wide = std::get<SavePlan>(plan).extended;
  // A start address is needed, and sound, whenever a run follows it.
  const std::uint64_t base = startAddress(text5).value_or(StartAddress{}).value;
  for (const TextRun& run : result.bytes.runs) {
    result.runAddress.push_back(run.origin == TextRun::Origin::AfterStart ? base + run.address : run.address);
  }
  return result;
}

}  // namespace

TextPlacing::TextPlacing(std::string text, std::string text5, CellPlaces placesStorage)
    : text5_(std::move(text5)), reading_(std::move(text), std::move(placesStorage)) {
  if (mayBeDumpOrArray(reading_.text())) dump_.emplace(reading_.text(), true);
}

bool TextPlacing::advance(std::size_t chars) {
  if (dump_ && !dumpRead_) {
    if (!dump_->advance(chars)) return false;
    dumped_ = dump_->finish();
    dumpRead_ = true;
    return false;
  }
  // Beside a dump, the byte text reading counts only until it is refused.
  return reading_.advance(chars) || (dumped_ && reading_.refused());
}

TextPlaces TextPlacing::finish() {
  // As the save: the byte text, unless it is refused; then the dump or array.
  if (dumped_ && reading_.refused()) return place(std::move(*dumped_), text5_);
  TextBytes bytes = reading_.finish();
  if (bytes.refusal && dumped_) return place(std::move(*dumped_), text5_);
  return place(std::move(bytes), text5_);
}

TextPlaces placeText(std::string_view text, std::string_view text5) {
  TextPlacing placing{std::string(text), std::string(text5)};
  while (!placing.advance(SIZE_MAX)) {
  }
  return placing.finish();
}

}  // namespace quorix

namespace quorix {

std::optional<std::string> findPattern(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
    if (text.empty()) return std::nullopt;
    return std::string(text);
  }
  TextBytes read = readByteText(std::string(text));
  if (read.refusal) {
    std::optional<TextBytes> other = readDumpOrArray(text);
    if (!other || other->refusal) return std::nullopt;
    read = std::move(*other);
  }
  if (read.digits.empty()) return std::nullopt;
  std::string bytes(read.digits.size() / 2, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(byteValue(read.digits[2 * i], read.digits[2 * i + 1]));
  }
  return bytes;
}

std::optional<std::uint64_t> goToAddress(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  constexpr std::size_t kMaxDigits = 8;
  if (text.empty() || text.size() > kMaxDigits || !std::all_of(text.begin(), text.end(), isHexDigit)) {
    return std::nullopt;
  }
  std::uint64_t address = 0;
  for (const char c : text) address = address * 16U + static_cast<std::uint64_t>(digitValue(c));
  return address;
}

}  // namespace quorix

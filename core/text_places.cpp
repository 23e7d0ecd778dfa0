#include "text_places.h"

#include <algorithm>
#include <variant>

#include "byte_text_reader.h"
#include "hex.h"
#include "save_command.h"

namespace quorix {

std::optional<std::size_t> TextPlaces::cellAt(std::size_t at) const noexcept {
  const auto& places = bytes.places;
  if (places.empty()) return std::nullopt;
  const auto after = std::upper_bound(places.begin(), places.end(), at);
  return after == places.begin() ? 0 : static_cast<std::size_t>(after - places.begin() - 1);
}

std::pair<std::size_t, std::size_t> TextPlaces::cellsIn(std::size_t from, std::size_t to) const noexcept {
  const auto& places = bytes.places;
  const auto first = std::lower_bound(places.begin(), places.end(), from);
  const auto end = std::lower_bound(first, places.end(), to);
  return {static_cast<std::size_t>(first - places.begin()), static_cast<std::size_t>(end - places.begin())};
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

std::string TextPlaces::addressText(std::uint64_t address) const {
  const auto digits = hexDigits<8>(address);
  return wide ? std::string(digits.data(), digits.size()) : std::string(digits.data() + 4, 4);
}

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

TextPlaces placeText(std::string_view text, std::string_view text5) {
  TextPlaces result;
  result.bytes = readByteText(std::string(text), true);
  if (result.bytes.refusal) {
    if (std::optional<TextBytes> other = readDumpOrArray(text, true)) result.bytes = std::move(*other);
  }
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

}  // namespace quorix

#include "checksum.h"

#include <array>
#include <cstdint>

#include "hex.h"
#include "intel_hex.h"
#include "messages.h"

namespace quorix {

namespace {

// Blank, tab, and the no-break and ideographic spaces that byte text takes as blanks too.
std::size_t blankAt(std::string_view text, std::size_t at) {
  if (text[at] == ' ' || text[at] == '\t') return 1;
  for (const std::string_view wide : {std::string_view("\xC2\xA0"), std::string_view("\xE3\x80\x80")}) {
    if (text.substr(at).starts_with(wide)) return wide.size();
  }
  return 0;
}

std::string twoDigits(std::uint64_t sum) {
  const std::array<char, 2> digits = hexDigits<2>(recordChecksumByte(sum));
  return {digits.data(), digits.size()};
}

}  // namespace

std::string recordChecksum(std::string_view digits) {
  std::uint64_t sum = 0;
  for (std::size_t k = 0; k + 1 < digits.size(); k += 2) {
    sum += static_cast<unsigned>(digitValue(digits[k]) * 16 + digitValue(digits[k + 1]));
  }
  return twoDigits(sum);
}

std::optional<std::string> typedRecordChecksum(std::string_view text) {
  std::size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < text.size()) {
      const std::size_t blank = blankAt(text, i);
      if (blank == 0) return;
      i += blank;
    }
  };
  skipBlanks();
  if (i < text.size() && text[i] == ':') ++i;
  // Wide enough for records of any length: a 255-byte record already sums past 16 bits.
  std::uint64_t sum = 0;
  for (skipBlanks(); i < text.size(); skipBlanks()) {
    const std::size_t group = i;
    while (i < text.size() && isHexDigit(text[i])) ++i;
    if (i < text.size() && blankAt(text, i) == 0) return std::nullopt;
    const std::size_t end = i;
    skipBlanks();
    // An odd group is read as digits typed so far only at the very end.
    if ((end - group) % 2 != 0 && i < text.size()) return std::nullopt;
    for (std::size_t k = group; k + 1 < end; k += 2) sum += byteValue(text[k], text[k + 1]);
  }
  return twoDigits(sum);
}

void checksumCommand(WindowServices& ui) {
  const std::optional<std::string> sum = typedRecordChecksum(ui.text(Field::Text2));
  if (!sum) {
    ui.messageBox(kChecksumNonHexPrompt, Buttons::Ok);
    return;
  }
  ui.setText(Field::Text3, *sum);
}

}  // namespace quorix

#include "hex_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "hex.h"
#include "intel_hex.h"

namespace quorix {

namespace {

constexpr std::string_view kTrailingFill = "FF";

// Builds one record line at a time, without allocating, for files of a million records.
class RecordLine {
 public:
  // `digits` are the data, two per byte, either letter case; at most kBlockCells bytes.
  std::string_view make(std::uint64_t address, unsigned type, std::string_view digits) noexcept {
    char* out = chars_.data();
    unsigned sum = 0;
    *out++ = ':';
    out = put(out, static_cast<unsigned>(digits.size() / 2), sum);
    out = put(out, static_cast<unsigned>(address >> 8U), sum);
    out = put(out, static_cast<unsigned>(address), sum);
    out = put(out, type, sum);
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
      const char hi = digits[i];
      const char lo = digits[i + 1];
      sum += byteValue(hi, lo);
      // Hexadecimal digits: only the letters lie at or above 'a'.
      *out++ = hi >= 'a' ? static_cast<char>(hi - 'a' + 'A') : hi;
      *out++ = lo >= 'a' ? static_cast<char>(lo - 'a' + 'A') : lo;
    }
    unsigned ignored = 0;
    out = put(out, recordChecksumByte(sum), ignored);
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

}  // namespace

bool writeRecords(const Image& image, bool extended, const std::function<bool(std::string_view)>& writeLine,
                  const std::function<void(std::size_t)>& progress, bool finalBarStep) {
  std::optional<std::uint64_t> range;  // the 64 KiB range the last extended address record named
  RecordLine line;
  std::size_t cellsBefore = 0;  // cells of the ranges already written

  for (const ImageRange& source : image) {
    const std::size_t cells = source.digits.size() / 2;
    for (std::size_t first = 0; first < cells; first += kBlockCells) {
      std::size_t count = std::min(kBlockCells, cells - first);
      progress(cellsBefore + first + count);

      // "FF" at the end of a block is fill, as the reader writes it for every
      // address that no record covers. Only these upper-case letters count.
      while (count > 0 && source.digits.substr(2 * (first + count - 1), 2) == kTrailingFill) --count;

      std::uint64_t address = source.address + first;
      std::string_view data = source.digits.substr(2 * first, 2 * count);
      while (!data.empty()) {
        // A record's address has 16 bits: a block that crosses into the next
        // 64 KiB range is split there, each part keeping its bytes.
        const std::uint64_t room = kRecordRange - address % kRecordRange;
        const auto taken = static_cast<std::size_t>(std::min<std::uint64_t>(data.size() / 2, room));
        if (extended && range != address / kRecordRange) {
          range = address / kRecordRange;
          const std::array<char, 4> upperDigits = hexDigits<4>(*range);
          if (!writeLine(line.make(0, kLinearAddressRecord, {upperDigits.data(), upperDigits.size()}))) return false;
        }
        if (!writeLine(line.make(address, kDataRecord, data.substr(0, 2 * taken)))) return false;
        data.remove_prefix(2 * taken);
        address += taken;
      }
    }
    cellsBefore += cells;
  }
  if (finalBarStep) progress(cellsBefore);
  return writeLine(kEndOfFileRecord);
}

}  // namespace quorix

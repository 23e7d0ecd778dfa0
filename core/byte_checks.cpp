#include "byte_checks.h"

#include <array>
#include <string>

#include "hex.h"
#include "messages.h"

namespace quorix {

void ByteChecks::add(std::span<const std::uint8_t> bytes) noexcept {
  if (bytes.empty()) return;
  count_ += bytes.size();
  unsigned sum = sum_;
  unsigned x = xor_;
  for (const std::uint8_t b : bytes) {
    sum += b;
    x ^= b;
  }
  sum_ = static_cast<std::uint8_t>(sum);
  xor_ = static_cast<std::uint8_t>(x);
  modbus_.process_bytes(bytes.data(), bytes.size());
  xmodem_.process_bytes(bytes.data(), bytes.size());
  crc32_.process_bytes(bytes.data(), bytes.size());
}

void ByteChecks::addDigits(std::string_view digits) {
  std::array<std::uint8_t, 4096> buffer{};
  while (digits.size() >= 2) {
    const std::size_t n = std::min(buffer.size(), digits.size() / 2);
    for (std::size_t i = 0; i < n; ++i)
      buffer[i] = static_cast<std::uint8_t>(byteValue(digits[2 * i], digits[2 * i + 1]));
    add(std::span<const std::uint8_t>(buffer.data(), n));
    digits.remove_prefix(2 * n);
  }
}

void ByteChecks::addRepeated(std::uint8_t byte, std::uint64_t count) {
  std::array<std::uint8_t, 4096> buffer{};
  buffer.fill(byte);
  while (count > 0) {
    const std::size_t n = count < buffer.size() ? static_cast<std::size_t>(count) : buffer.size();
    add(std::span<const std::uint8_t>(buffer.data(), n));
    count -= n;
  }
}

ByteCheckValues ByteChecks::values() const noexcept {
  return {count_, sum_, xor_, modbus_.checksum(), xmodem_.checksum(), crc32_.checksum()};
}

std::string checksText(const ByteCheckValues& v) {
  const auto digits = [](const auto& array) { return std::string(array.data(), array.size()); };
  std::string text;
  text.append(kSumLabel).append(digits(hexDigits<2>(v.sum)));
  text.append("  ").append(kXorLabel).append(digits(hexDigits<2>(v.xorValue)));
  text.append("  ").append(kModbusLabel).append(digits(hexDigits<4>(v.modbus)));
  text.append("  ").append(kXmodemLabel).append(digits(hexDigits<4>(v.xmodem)));
  text.append("  ").append(kCrc32Label).append(digits(hexDigits<8>(v.crc32)));
  return text;
}

}  // namespace quorix

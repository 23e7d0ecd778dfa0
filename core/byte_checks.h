// The checks of a run of bytes that firmware tools and terminals print: the
// count, 8-bit sum, XOR and the catalogue CRCs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <boost/crc.hpp>

namespace quorix {

// The results for the bytes given so far.
struct ByteCheckValues {
  std::uint64_t count = 0;
  std::uint8_t sum = 0;  // modulo 256
  std::uint8_t xorValue = 0;
  std::uint16_t modbus = 0;  // CRC-16/MODBUS
  std::uint16_t xmodem = 0;  // CRC-16/XMODEM
  std::uint32_t crc32 = 0;   // CRC-32 (as zlib computes it)
};

// Takes bytes in as many pieces as suits the caller (a window computes a
// large selection in slices) and gives the checks of all of them together.
class ByteChecks {
 public:
  void add(std::span<const std::uint8_t> bytes) noexcept;
  void add(std::uint8_t byte) noexcept { add(std::span<const std::uint8_t>(&byte, 1)); }
  // Bytes given as two hexadecimal digits each, in either letter case.
  void addDigits(std::string_view digits);
  // `count` bytes of the same value, as the gaps of an image are filled.
  void addRepeated(std::uint8_t byte, std::uint64_t count);

  [[nodiscard]] ByteCheckValues values() const noexcept;

 private:
  std::uint64_t count_ = 0;
  std::uint8_t sum_ = 0;
  std::uint8_t xor_ = 0;
  boost::crc_optimal<16, 0x8005, 0xFFFF, 0, true, true> modbus_;
  boost::crc_optimal<16, 0x1021, 0, 0, false, false> xmodem_;
  boost::crc_32_type crc32_;
};

// "SUM 2A  XOR 0B  MODBUS 4B37  XMODEM 31C3  CRC-32 CBF43926": the checks as the
// window and quorix-cli info print them.
[[nodiscard]] std::string checksText(const ByteCheckValues& values);

}  // namespace quorix

// Facts of the Intel HEX format that the reader, the writer and the checksum
// calculator share.
#pragma once

#include <cstdint>
#include <string_view>

namespace quorix {

enum RecordType : unsigned {
  kDataRecord = 0x00,
  kEndOfFileRecordType = 0x01,
  kSegmentAddressRecord = 0x02,
  kStartSegmentRecord = 0x03,
  kLinearAddressRecord = 0x04,
  kStartLinearRecord = 0x05,
};

// A record's 16-bit address reaches this many bytes: all of a 16-bit file,
// one 64 KiB range of a 32-bit one.
inline constexpr std::uint64_t kRecordRange = 0x1'0000;
// The last address a 16-bit file reaches, and the last one a 32-bit file does.
inline constexpr std::uint64_t kLast16BitAddress = kRecordRange - 1;
inline constexpr std::uint64_t kLast32BitAddress = 0xFFFF'FFFFULL;

// Every file ends with this record.
inline constexpr std::string_view kEndOfFileRecord = ":00000001FF";

// Records are written one to a line, each line ended so.
inline constexpr std::string_view kRecordLineEnd = "\r\n";

// The checksum byte of a record whose other bytes sum to `sum`: the two's
// complement of the sum's low byte, so that all its bytes sum to 0 modulo 256.
constexpr unsigned recordChecksumByte(std::uint64_t sum) noexcept {
  return static_cast<unsigned>((0x100U - (sum & 0xFFU)) & 0xFFU);
}

}  // namespace quorix

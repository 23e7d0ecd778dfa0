// Whole images for the benchmarks: a HEX file and the byte text the reader
// makes of it.
#pragma once

#include <string>
#include <vector>

#include "hex_records.h"

namespace quorix::bench {

// Data byte i of record r: varied, so no block is all fill.
inline unsigned imageByte(unsigned r, unsigned i) { return (r + i * 7U) & 0xFFU; }

// A contiguous image of `records` 16-byte data records from address 0, with
// extended linear address records at every 64 KiB boundary.
inline std::string hexImage(unsigned records) {
  std::string text;
  text.reserve(records * 45UL);
  for (unsigned r = 0; r < records; ++r) {
    const unsigned address = (r * 16U) & 0xFFFFU;
    if (address == 0 && r != 0) {
      const unsigned upper = r * 16U >> 16U;
      text += testing::record(0, 4, {upper >> 8U, upper & 0xFFU}) + "\r\n";
    }
    std::vector<unsigned> data(16);
    for (unsigned i = 0; i < 16; ++i) data[i] = imageByte(r, i);
    text += testing::record(address, 0, data) + "\r\n";
  }
  return text + ":00000001FF\r\n";
}

// The byte text of hexImage(records): what the reader puts into Text1.
inline std::string imageByteText(unsigned records) {
  std::string text;
  text.reserve(records * 48UL);
  for (unsigned r = 0; r < records; ++r) {
    for (unsigned i = 0; i < 16; ++i) text.append(testing::hexByte(imageByte(r, i))).push_back(' ');
  }
  return text;
}

}  // namespace quorix::bench

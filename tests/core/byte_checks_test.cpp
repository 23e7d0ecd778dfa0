#include "byte_checks.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "hex.h"

namespace quorix {
namespace {

TEST(ByteChecks, CatalogueCheckValues) {
  ByteChecks checks;
  checks.addDigits("3132333435");  // "12345", then "6789" in a second piece
  checks.add(std::vector<std::uint8_t>{'6', '7', '8', '9'});
  const ByteCheckValues v = checks.values();
  EXPECT_EQ(v.count, 9U);
  EXPECT_EQ(v.sum, 0xDD);
  EXPECT_EQ(v.xorValue, 0x31);
  EXPECT_EQ(v.modbus, 0x4B37);
  EXPECT_EQ(v.xmodem, 0x31C3);
  EXPECT_EQ(v.crc32, 0xCBF43926U);
  EXPECT_EQ(checksText(v), "SUM DD  XOR 31  MODBUS 4B37  XMODEM 31C3  CRC-32 CBF43926");
  EXPECT_EQ(checksText(ByteChecks{}.values()), "SUM 00  XOR 00  MODBUS FFFF  XMODEM 0000  CRC-32 00000000");
}

// Random runs, some of them repeated fill, against Python's zlib and binascii.
TEST(ByteChecks, RandomDataMatchesPython) {
  std::mt19937 random(25);
  for (int round = 0; round < 20; ++round) {
    std::string digits;
    ByteChecks checks;
    const std::size_t size = random() % 3000;
    for (std::size_t i = 0; i < size; ++i) {
      const auto b = static_cast<std::uint8_t>(random());
      digits += hexDigit(b >> 4U);
      digits += hexDigit(b);
      checks.add(b);
    }
    const std::size_t fill = round % 2 == 0 ? random() % 5000 : 0;
    checks.addRepeated(0xFF, fill);
    const std::string script = "import zlib,binascii;d=bytes.fromhex('" + digits + "')+b'\\xff'*" +
                               std::to_string(fill) +
                               ";print('%d %02X %04X %08X'%(len(d),sum(d)%256,binascii.crc_hqx(d,0),zlib.crc32(d)))";
    FILE* pipe = popen(("/usr/bin/python3 -c \"" + script + "\"").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::array<char, 128> line{};
    ASSERT_NE(std::fgets(line.data(), line.size(), pipe), nullptr);
    pclose(pipe);
    const ByteCheckValues v = checks.values();
    std::array<char, 128> expected{};
    std::snprintf(expected.data(), expected.size(), "%llu %02X %04X %08X\n", static_cast<unsigned long long>(v.count),
                  v.sum, v.xmodem, v.crc32);
    EXPECT_STREQ(line.data(), expected.data()) << "round " << round;
  }
}

}  // namespace
}  // namespace quorix

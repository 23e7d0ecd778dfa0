#include <gtest/gtest.h>

#include <string>

#include "checksum.h"
#include "fake_services.h"

namespace quorix {
namespace {

TEST(RecordChecksum, KnownRecords) {
  const struct {
    std::string_view digits;
    std::string_view sum;
  } cases[] = {
      {"02000004FFFF", "FC"},
      {"", "00"},
      {"1", "00"},
      {"0A", "F6"},
      {"0a", "F6"},
      {"00", "00"},
      {"FF", "01"},
      {"0100", "FF"},
      {"02000004FFF", "FB"},
      {"ff", "01"},
      {"G1", "FF"},
      {"100000000102030405060708090A0B0C0D0E0F10", "68"},  // a whole data record
      {":0100", "F0"},                                     // a colon shifts the pairing: ":0" and "10", then a lone "0"
  };
  for (const auto& c : cases) EXPECT_EQ(recordChecksum(c.digits), c.sum) << '"' << c.digits << '"';
}

TEST(RecordChecksum, LongRecordsGetTheTrueTwosComplement) {
  // 255 data bytes of FF: far past what a 16-bit sum holds.
  std::string digits = "FF000000";
  unsigned sum = 0xFF;
  for (int i = 0; i < 255; ++i) {
    digits += "FF";
    sum += 0xFF;
  }
  const unsigned expected = (0x100U - (sum & 0xFFU)) & 0xFFU;
  char buf[3];
  std::snprintf(buf, sizeof buf, "%02X", expected);
  EXPECT_EQ(recordChecksum(digits), buf);
}

TEST(RecordChecksum, CommandReadsText2AndWritesText3Only) {
  testing::FakeServices ui;
  const auto before = ui.fields;
  checksumCommand(ui);
  EXPECT_EQ(ui.fields[Field::Text3], "FC");
  EXPECT_EQ(ui.fields[Field::Text1], before.at(Field::Text1));
  EXPECT_EQ(ui.fields[Field::Text2], before.at(Field::Text2));
  EXPECT_TRUE(ui.messages.empty());

  ui.fields[Field::Text2] = "数0";  // a foreign character counts as digit 0
  checksumCommand(ui);
  EXPECT_EQ(ui.fields[Field::Text3], "00");
}

}  // namespace
}  // namespace quorix

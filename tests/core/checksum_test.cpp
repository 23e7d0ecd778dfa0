#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "checksum.h"
#include "fake_services.h"
#include "messages.h"

namespace quorix {
namespace {

TEST(RecordChecksum, TypedRecords) {
  const struct {
    std::string text;
    std::optional<std::string> sum;  // nothing: refused
  } cases[] = {
      {"02000004FFFF", "FC"},  // the worked example
      {"", "00"},
      {"1", "00"},
      {"0a", "F6"},
      {"02000004FFF", "FB"},  // a last single digit is not used
      {"100000000102030405060708090A0B0C0D0E0F10", "68"},
      {":0200000401F0", "09"},
      {"02 00 00 04 01 F0", "09"},
      {" :02 0000\t0401F0 ", "09"},
      {"02\xC2\xA0"
       "00\xE3\x80\x80"
       "000401F0",
       "09"},                     // no-break and ideographic spaces
      {":0200000401F009", "00"},  // with its own checksum
      {"02 00 00 04 01 F0 0", "09"},
      {"1 02 03", std::nullopt},
      {"G1", std::nullopt},
      {"0200:00", std::nullopt},
      {"::02", std::nullopt},
      {"数0", std::nullopt},
      {"0x02", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(typedRecordChecksum(c.text), c.sum) << '"' << c.text << '"';
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
  EXPECT_EQ(typedRecordChecksum(digits), buf);
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

  ui.fields[Field::Text2] = "数0";
  checksumCommand(ui);
  EXPECT_EQ(ui.fields[Field::Text3], "FC");
  ASSERT_EQ(ui.messages.size(), 1U);
  EXPECT_EQ(ui.messages[0].prompt, kChecksumNonHexPrompt);
  EXPECT_EQ(ui.messages[0].title, std::nullopt);  // the program's own
  EXPECT_EQ(ui.messages[0].buttons, Buttons::Ok);
}

}  // namespace
}  // namespace quorix

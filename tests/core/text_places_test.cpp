#include "text_places.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "messages.h"

namespace quorix {
namespace {

// Texts with the caret marked by "`", and what the status row must show for
// it: the cell's address and number (from 1), or the save's refusal and its spot.
TEST(TextPlaces, CaretAddresses) {
  struct Case {
    std::string text;
    std::string text5;
    std::string address;  // empty: the text has no cells
    std::size_t cell = 0;
    std::optional<std::string> refusal = std::nullopt;
    std::size_t refusalAt = 0;
  };
  const std::vector<Case> cases = {
      {"01 `02 03 ", "", "0001", 2},
      {"01 02 0`3 ", "0800", "0802", 3},
      {"`01 02 ", "08000000", "08000000", 1},
      {"01 02 03 `", "0x1FFF", "2001", 3},  // after the last cell: that cell
      {"01020`304", "", "0002", 3},         // a hex string
      {"0x01, 0x02, 0x`03", "", "0002", 3},
      {"01h 0F`Fh", "", "0001", 2},
      {"[10:20:30.123]收←◆01 02\n[10:20:30.456]收←◆03 `04\n", "10", "0013", 4},
      {"01 02\n@08000000\nAA `BB CC\n", "1000", "08000001", 4},
      {"01 `02\n@08000000\nAA BB CC\n", "1000", "00001001", 2},  // a 32-bit text
      {"@0800 11 22\n@0100 33 `44\n", "", "0101", 4},
      {"00000010: 0102 0`304  ....\n", "", "0012", 3},
      {"00000100  01 02 03 04 05 06 07 08  09 0a 0b 0c 0d 0e 0f 10  |................|\n*\n"
       "00000120  a`a  |.|\n",
       "", "0120", 33},  // a "*" line repeats the line before it
      {"unsigned char a[] = {0x01, 0x02, 0x`03};\n", "", "0002", 3},
      {"`", "", ""},
      {"01 0G `03 ", "", "", 0, nonHexPrompt(2), 3},
      {"00000010: 0102\n", "0800", "", 0, std::string(kDumpOffsetStartPrompt), 0},
      {"@0000 01 02\n@0001 `03\n", "", "", 0, overlappingAddressLinePrompt("@0001"), 0},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    const std::size_t caret = std::min(text.find('`'), text.size());
    if (caret < text.size()) text.erase(caret, 1);
    const TextPlaces places = placeText(text, c.text5);
    ASSERT_EQ(places.refusal, c.refusal) << c.text;
    if (c.refusal) {
      EXPECT_EQ(places.refusalAt, c.refusalAt) << c.text;
      continue;
    }
    EXPECT_EQ(places.cells(), places.bytes.digits.size() / 2) << c.text;
    const std::optional<std::size_t> cell = places.cellAt(caret);
    ASSERT_EQ(cell.has_value(), !c.address.empty()) << c.text;
    if (!cell) continue;
    EXPECT_EQ(places.addressText(places.addressOf(*cell)), c.address) << c.text;
    EXPECT_EQ(*cell + 1, c.cell) << c.text;
    EXPECT_EQ(places.cellOfAddress(places.addressOf(*cell)), cell) << c.text;
  }
}

// A window reads a large text a stretch at a time, between its events: any
// stretch length must give what the reading in one go gives.
TEST(TextPlaces, ReadingInStretchesGivesTheWholeReading) {
  std::vector<std::string> texts = {
      "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 ",
      "01 02 03\n04 0G 06 07 ",
      "0x01, 0x02, 0x03,\n0x04, 0x05,0x06 0x07",
      "[10:20:30.123]收←◆01 02 03\n[10:20:30.456]收←◆04 05 06\n",
      "01 02\n@08000000\nAA BB CC DD EE FF 00 11 22 33\n@0800 44 55 66 77 ",
      "0102030405060708 090A0B0C\n0D0E 0F10\n",
      "00000000: 0102 0304 0506 0708 090a 0b0c 0d0e 0f10  ................\n"
      "00000010: 1112 1314                                ....\n",
      "00000100  01 02 03 04 05 06 07 08  09 0a 0b 0c 0d 0e 0f 10  |................|\n*\n"
      "00000120  aa  |.|\n00000121\n",
      "unsigned char a[] = {\n  0x01, 0x02, 0x03,\n  0x04, 0x5\n};\nunsigned int a_len = 5;\n",
      "unsigned char a[] = {\n  0x01, 0x02, 0x03,\n  0x04, 0x5G\n};\n",
      "{0x01,",  // cut off after an item
      "01 02 03 04 q",
      "01h 02h 0FFh 10h\r\n11h 12h 13h 14h\r\n",
      "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 @0G 15 ",
  };
  std::uint32_t seed = 12345;
  const auto next = [&seed] { return seed = seed * 1103515245U + 12345U, (seed >> 16U) & 0x7FFFU; };
  const std::vector<std::string> pieces = {"0A ", "FF ", "1 ", "\n", "0x3C, ", "@100\n", "G", "  ", "123 "};
  for (int t = 0; t < 40; ++t) {
    std::string text;
    for (unsigned n = next() % 60; n > 0; --n) text += pieces[next() % pieces.size()];
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    const TextPlaces whole = placeText(text, "1000");
    for (const std::size_t stretch : {1U, 2U, 7U}) {
      TextPlacing placing(text, "1000");
      while (!placing.advance(stretch)) {
      }
      const TextPlaces sliced = placing.finish();
      ASSERT_EQ(sliced.refusal, whole.refusal) << text << stretch;
      EXPECT_EQ(sliced.refusalAt, whole.refusalAt) << text;
      EXPECT_EQ(sliced.bytes.digits, whole.bytes.digits) << text << stretch;
      EXPECT_EQ(sliced.bytes.places, whole.bytes.places) << text << stretch;
      EXPECT_EQ(sliced.runAddress, whole.runAddress) << text << stretch;
      EXPECT_EQ(sliced.wide, whole.wide) << text;
    }
  }
}

// The compact offsets answer as a plain ascending list would, whatever the
// steps between cells: none ("*" repeats), short, or beyond a byte.
TEST(TextPlaces, CompactOffsetsAnswerAsAList) {
  std::uint32_t seed = 99;
  const auto next = [&seed] { return seed = seed * 1103515245U + 12345U, (seed >> 16U) & 0x7FFFU; };
  CellPlaces compact;
  std::vector<std::uint32_t> list;
  std::uint32_t place = 0;
  for (int cell = 0; cell < 3000; ++cell) {
    const std::uint32_t kind = next() % 10;
    place += kind == 0 ? 0 : kind == 1 ? 255 + next() % 3000 : 1 + next() % 6;
    compact.push_back(place);
    list.push_back(place);
  }
  ASSERT_EQ(compact.size(), list.size());
  for (std::size_t cell = 0; cell < list.size(); ++cell) ASSERT_EQ(compact[cell], list[cell]) << cell;
  for (std::uint32_t at = 0; at <= place + 1; at += 1 + next() % 7) {
    const auto lower = static_cast<std::size_t>(std::lower_bound(list.begin(), list.end(), at) - list.begin());
    const auto upper = static_cast<std::size_t>(std::upper_bound(list.begin(), list.end(), at) - list.begin());
    ASSERT_EQ(compact.lowerBound(at), lower) << at;
    ASSERT_EQ(compact.upperBound(at), upper) << at;
  }
}

TEST(TextPlaces, SelectionCountsCellsByTheirFirstDigit) {
  const TextPlaces places = placeText("01 02 03 04 ", "");
  EXPECT_EQ(places.cellsIn(1, 7), std::make_pair(std::size_t{1}, std::size_t{3}));
  EXPECT_EQ(places.cellsIn(0, 12), std::make_pair(std::size_t{0}, std::size_t{4}));
  EXPECT_EQ(places.cellOfAddress(4), std::nullopt);
}

}  // namespace
}  // namespace quorix

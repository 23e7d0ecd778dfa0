#include "text_places.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(TextPlaces, SelectionCountsCellsByTheirFirstDigit) {
  const TextPlaces places = placeText("01 02 03 04 ", "");
  EXPECT_EQ(places.cellsIn(1, 7), std::make_pair(std::size_t{1}, std::size_t{3}));
  EXPECT_EQ(places.cellsIn(0, 12), std::make_pair(std::size_t{0}, std::size_t{4}));
  EXPECT_EQ(places.cellOfAddress(4), std::nullopt);
}

}  // namespace
}  // namespace quorix

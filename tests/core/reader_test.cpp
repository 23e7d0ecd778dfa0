#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "byte_text_writer.h"
#include "fake_services.h"
#include "hex.h"
#include "hex_records.h"
#include "messages.h"
#include "open_command.h"

namespace quorix {
namespace {

using testing::cells;
using testing::DialogAnswer;
using testing::FakeServices;
using testing::lines;
using testing::record;

// Text5 before a read: a read that adds cells replaces it.
constexpr const char* kOldStart = "7777";

// Reads `file` through the open command as a user who picks it would.
std::unique_ptr<FakeServices> readFile(const std::string& file) {
  auto ui = std::make_unique<FakeServices>();
  ui->files["/tmp/a.hex"] = file;
  ui->fields[Field::Text5] = kOldStart;
  ui->openAnswers.push_back({DialogOutcome::Chosen, "/tmp/a.hex"});
  openCommand(*ui);
  return ui;
}

void expectOneMessage(const FakeServices& ui, const std::string& prompt, const std::string& name) {
  ASSERT_EQ(ui.messages.size(), 1U) << name;
  EXPECT_EQ(ui.messages[0].prompt, prompt) << name;
  EXPECT_EQ(ui.messages[0].title, "文件出错") << name;
  EXPECT_EQ(ui.messages[0].buttons, Buttons::Ok) << name;
}

const std::string kExample = ":03001000010203E7\r\n:02001800AABB81\r\n:00000001FF\r\n";
const std::string kExampleCells = cells("FF ", 16) + "01 02 03 " + cells("FF ", 5) + "AA BB ";

TEST(Reader, WorkedExample) {
  const auto ui = readFile(kExample);
  ASSERT_EQ(kExample.size(), 49U);
  EXPECT_EQ(ui->fields.at(Field::Text1), kExampleCells);
  EXPECT_EQ(ui->fields.at(Field::Text1).size(), 26 * kCellWidth);
  EXPECT_EQ(ui->barMax, 50);
  EXPECT_EQ(ui->barValueHistory, (std::vector<float>{0, 19, 36, 49}));
  EXPECT_TRUE(ui->messages.empty());
  // Cell 0 stands for address 0000, and the whole text lies below FFFF.
  EXPECT_EQ(ui->fields.at(Field::Text5), "0000");
}

TEST(Reader, LineEndsBlanksAndByteOrderMarkDoNotShiftRecords) {
  const struct {
    const char* name;
    std::string file;
    std::vector<float> bar;
  } cases[] = {
      {"LF", ":03001000010203E7\n:02001800AABB81\n:00000001FF\n", {0, 18, 34, 46}},
      {"CR", ":03001000010203E7\r:02001800AABB81\r:00000001FF\r", {0, 18, 34, 46}},
      {"blank lines", "\r\n:03001000010203E7\r\n\r\n  \r\n:02001800AABB81\n\n:00000001FF", {0, 21, 43, 55}},
      {"no final line end", ":03001000010203E7\r\n:02001800AABB81\r\n:00000001FF", {0, 19, 36, 47}},
      {"byte-order mark", "\xEF\xBB\xBF" + kExample, {0, 22, 39, 52}},
      {"blanks and tabs around records",
       " \t:03001000010203E7 \r\n\t:02001800AABB81\t\r\n:00000001FF  \r\n",
       {0, 22, 41, 56}},
  };
  for (const auto& c : cases) {
    const auto ui = readFile(c.file);
    EXPECT_EQ(ui->fields.at(Field::Text1), kExampleCells) << c.name;
    EXPECT_EQ(ui->barMax, static_cast<float>(c.file.size() + 1)) << c.name;
    EXPECT_EQ(ui->barValueHistory, c.bar) << c.name;
    EXPECT_TRUE(ui->messages.empty()) << c.name;
  }
}

TEST(Reader, FirstRecordIsFilledBackToItsPage) {
  const struct {
    unsigned address;
    std::size_t fill;
    const char* text5;
  } cases[] = {{0x0120, 0x20, "0100"}, {0x0020, 0x20, "0000"}, {0x0100, 0, "0100"},
               {0x00FF, 0xFF, "0000"}, {0x0000, 0, "0000"},    {0xFFFF, 0xFF, "FF00"}};
  for (const auto& c : cases) {
    const auto ui = readFile(lines({record(c.address, 0, {0x5A}), ":00000001FF"}));
    EXPECT_EQ(ui->fields.at(Field::Text1), cells("FF ", c.fill) + "5A ") << c.address;
    EXPECT_EQ(ui->fields.at(Field::Text5), c.text5) << c.address;
  }
}

// Every data record lands at its full address, whatever address records,
// gaps and 64 KiB boundaries lie between; Text5 names cell 0's address, with
// eight digits once any cell lies above FFFF.
TEST(Reader, SegmentsArePlacedByAddress) {
  const std::vector<unsigned> sixteen(16, 0xAB);
  const std::string program = record(0x0000, 0, std::vector<unsigned>(16, 0x11)) + "\r\n" +
                              record(0x0010, 0, std::vector<unsigned>(16, 0x22)) + "\r\n";
  const struct {
    const char* name;
    std::string file;
    std::string text1;
    const char* text5;
  } cases[] = {
      {"repeated 04 record",
       lines({record(0, 4, {0, 0}), record(0x0000, 0, {1, 2, 3, 4}), record(0, 4, {0, 0}),
              record(0x0010, 0, {5, 6, 7, 8}), ":00000001FF"}),
       "01 02 03 04 " + cells("FF ", 12) + "05 06 07 08 ", "0000"},
      {"configuration bytes behind program bytes",
       program + lines({record(0, 4, {0, 1}), record(0x000E, 0, {0xC1, 0xC2}), ":00000001FF"}),
       cells("11 ", 16) + cells("22 ", 16) + cells("FF ", 0x1000E - 0x20) + "C1 C2 ", "00000000"},
      {"next 64 KiB range after a gap",
       lines({record(0xFFE4, 0, sixteen), record(0, 4, {0, 1}), record(0x0000, 0, {1}), ":00000001FF"}),
       cells("FF ", 0xE4) + cells("AB ", 16) + cells("FF ", 12) + "01 ", "0000FF00"},
      {"contiguous across 64 KiB, then an 02 jump 64 KiB ahead: a second block",
       lines({record(0xFFF0, 0, sixteen), record(0, 4, {0x00, 0x01}), record(0x0000, 0, sixteen),
              record(0, 2, {0x20, 0x00}), record(0x0010, 0, {0x01}), ":00000001FF"}),
       "@0000FF00\n" + cells("FF ", 0xF0) + cells("AB ", 32) + "\n@00020000\n" + cells("FF ", 16) + "01 ", "0000FF00"},
      {"a gap one short of 64 KiB is filled",
       lines({record(0x0000, 0, {1}), record(0, 4, {0x00, 0x01}), record(0x0000, 0, {2}), ":00000001FF"}),
       "01 " + cells("FF ", 0xFFFF) + "02 ", "00000000"},
      {"records in any order, a repeated one taken once",
       lines({record(0, 4, {0x00, 0x30}), record(0x0000, 0, {5, 6}), record(0, 4, {0, 0}), record(0x0002, 0, {3, 4}),
              record(0x0000, 0, {1, 2}), record(0x0002, 0, {3, 4}), ":00000001FF"}),
       "@00000000\n01 02 03 04 \n@00300000\n05 06 ", "00000000"},
      {"last byte at FFFFFFFF", lines({record(0, 4, {0xFF, 0xFF}), record(0xFFFE, 0, {1, 2}), ":00000001FF"}),
       cells("FF ", 0xFE) + "01 02 ", "FFFFFF00"},
      {"02 record", lines({record(0x0000, 0, {1}), record(0, 2, {0x00, 0x01}), record(0x0000, 0, {2}), ":00000001FF"}),
       "01 " + cells("FF ", 15) + "02 ", "0000"},
      {"image high up", lines({record(0, 4, {0x08, 0x00}), record(0x0120, 0, {7}), ":00000001FF"}),
       cells("FF ", 0x20) + "07 ", "08000100"},
      {"last byte at FFFF", lines({record(0xFFF0, 0, sixteen), ":00000001FF"}), cells("FF ", 0xF0) + cells("AB ", 16),
       "FF00"},
      {"record across FFFF without a segment base", lines({record(0xFFFF, 0, {1, 2}), ":00000001FF"}),
       cells("FF ", 0xFF) + "01 02 ", "0000FF00"},
      {"empty data record is not compared",
       lines({record(0x0010, 0, {1}), record(0x0000, 0, {}), record(0x0011, 0, {2}), ":00000001FF"}),
       cells("FF ", 16) + "01 02 ", "0000"},
      {"start address records",
       lines({record(0x0000, 0, {1}), record(0, 3, {0, 0, 0x12, 0x34}), record(0x0003, 0, {2}),
              record(0, 5, {0, 0, 0, 0}), ":00000001FF"}),
       "01 FF FF 02 ", "0000"},
  };
  for (const auto& c : cases) {
    const auto ui = readFile(c.file);
    EXPECT_EQ(ui->fields.at(Field::Text1), c.text1) << c.name;
    EXPECT_EQ(ui->fields.at(Field::Text5), c.text5) << c.name;
    EXPECT_TRUE(ui->messages.empty()) << c.name;
  }
}

// `count` blocks of 64 Ki cells, each a whole 64 KiB range, with 64 KiB between them.
std::vector<std::string> blocksOfFullRanges(unsigned count) {
  std::vector<std::string> file;
  for (unsigned b = 0; b < count; ++b) {
    file.push_back(record(0, 4, {(2 * b) >> 8U, (2 * b) & 0xFFU}));
    file.push_back(record(0x0000, 0, {1}));
    file.push_back(record(0xFFFF, 0, {2}));
  }
  file.emplace_back(":00000001FF");
  return file;
}

// Every refusal leaves Text1, Text5 and the undo history as they were: the
// field is not touched at all. Lines count from 1 by CR LF, LF or CR, blank
// lines included; the first fault in the file's order is named.
TEST(Reader, RefusedFilesLeaveTheFieldAsItWas) {
  const std::string one = ":0100000001FE\r\n";                // 01 at 0000
  std::vector<std::string> sparse = blocksOfFullRanges(256);  // 6 KB for 16 MiB cells, and one more
  sparse.insert(sparse.end() - 1, {record(0, 4, {0x02, 0x00}), record(0x0000, 0, {3})});
  const struct {
    const char* name;
    std::string file;
    std::string prompt;
  } cases[] = {
      {"empty file", "", "Hex文件中没有记录！"},
      {"byte-order mark alone", "\xEF\xBB\xBF", "Hex文件中没有记录！"},
      {"blank lines alone", " \r\n\t\n", "Hex文件中没有记录！"},
      {"comment line", "# build 12\r\n" + kExample, invalidRecordPrompt(1)},
      {"no colon", one + "0100010002FC\r\n:00000001FF\r\n", invalidRecordPrompt(2)},
      {"byte-order mark inside", one + "\xEF\xBB\xBF:0100010002FC\r\n", invalidRecordPrompt(2)},
      {"NUL bytes", std::string(40, '\0'), invalidRecordPrompt(1)},
      {"Latin-1 letter",
       one + ":02000100\xE9"
             "A00\r\n",
       invalidRecordPrompt(2)},
      {"text after the record", one + ":00000001FF x\r\n", invalidRecordPrompt(2)},
      {"blank lines counted", one + "\n\r\n\r  \r:zz\r\n", invalidRecordPrompt(6)},
      {"record type 06", one + ":00000006FA\r\n", invalidRecordPrompt(2)},
      {"04 record of three bytes", one + ":03000004000100F8\r\n", invalidRecordPrompt(2)},
      {"02 record of one byte", one + ":01000002FFFE\r\n", invalidRecordPrompt(2)},
      {"04 record with an address field", one + record(0x0010, 4, {0, 1}) + "\r\n", invalidRecordPrompt(2)},
      {"02 record with an address field", one + record(0x0001, 2, {0, 1}) + "\r\n", invalidRecordPrompt(2)},
      {"03 record of two bytes", one + record(0, 3, {0, 0}) + "\r\n", invalidRecordPrompt(2)},
      {"05 record of five bytes", one + record(0, 5, {0, 0, 0, 0, 0}) + "\r\n", invalidRecordPrompt(2)},
      {"end record with data", one + record(0, 1, {0}) + "\r\n" + one, invalidRecordPrompt(2)},
      {"data past FFFFFFFF", lines({record(0, 4, {0xFF, 0xFF}), record(0xFFFF, 0, {1, 2})}), invalidRecordPrompt(2)},
      {"data past an 02 segment", lines({record(0, 2, {0x10, 0}), record(0xFFFF, 0, {1, 2})}), invalidRecordPrompt(2)},
      {"wrong checksum", one + ":0400100005060708D3\r\n", checksumErrorPrompt(2, "D2")},
      {"wrong checksum, lower case", one + ":03000200abcd0f00\r\n", checksumErrorPrompt(2, "74")},
      {"wrong checksum, end-of-file record", one + ":00000001FE\r\n", checksumErrorPrompt(2, "FF")},
      {"non-hexadecimal digit", one + ":04001000050G0708D2\r\n", invalidRecordPrompt(2)},
      {"count longer than the line", one + ":0500000001020304F2\r\n", invalidRecordPrompt(2)},
      {"count shorter than the line", one + ":0300000001020304F2\r\n", invalidRecordPrompt(2)},
      {"cut-off last line", one + ":0400000001020", invalidRecordPrompt(2)},
      {"colon alone", one + ":", invalidRecordPrompt(2)},
      {"overlap, later record lower", lines({record(0x0010, 0, {1, 2, 3, 4}), record(0x000E, 0, {9, 9, 5})}),
       overlapPrompt(2, 1)},
      {"same address, other value", lines({one.substr(0, 13), record(0x0000, 0, {2})}), overlapPrompt(2, 1)},
      {"overlap across an 04 record",
       lines({record(0, 4, {0, 1}), record(0x0000, 0, {1}), record(0, 4, {0, 0}), record(0x0000, 0, {1}),
              record(0, 2, {0x10, 0}), record(0x0000, 0, {2})}),
       overlapPrompt(6, 2)},
      {"first conflict in the file's order, earliest line",
       lines({record(0x0020, 0, {7}), record(0x0010, 0, {1, 2}), record(0x0010, 0, {1, 2}), record(0x0020, 0, {8}),
              record(0x0011, 0, {3})}),
       overlapPrompt(4, 1)},
      {"an overlap before a damaged line", lines({record(0x0000, 0, {1}), record(0x0000, 0, {2}), ":zz"}),
       overlapPrompt(2, 1)},
      {"more than 16 MiB cells in blocks", lines(sparse), "Hex文件的数据超过16MB，无法转换！"},
  };
  for (const auto& c : cases) {
    auto ui = std::make_unique<FakeServices>();
    ui->files["/tmp/a.hex"] = c.file;
    ui->fields[Field::Text5] = kOldStart;
    ui->openAnswers.push_back({DialogOutcome::Chosen, "/tmp/a.hex"});
    openCommand(*ui);
    EXPECT_EQ(ui->fields.at(Field::Text1), kDefaultByteText) << c.name;
    EXPECT_EQ(ui->fields.at(Field::Text5), kOldStart) << c.name;
    EXPECT_EQ(ui->selTextCalls, 0U) << c.name;
    EXPECT_EQ(ui->log, (std::vector<std::string>{"ShowOpen", "Read:/tmp/a.hex", "Max", "Message:" + c.prompt}))
        << c.name;
    expectOneMessage(*ui, c.prompt, c.name);
  }
}

// The cell limit counts the cells of all blocks, the page fill included; the
// addresses between blocks do not count.
TEST(Reader, CellLimitCountsTheBlocks) {
  const auto ui = readFile(lines(blocksOfFullRanges(256)));
  const std::string& text = ui->fields.at(Field::Text1);
  EXPECT_TRUE(ui->messages.empty());
  EXPECT_EQ(text.size(), kMaxReadCells * kCellWidth + 256 * 10 + 255);  // 256 address lines, 255 breaks
  EXPECT_EQ(text.substr(0, 16), "@00000000\n01 FF ");
  EXPECT_EQ(text.substr(text.size() - 0x10000 * kCellWidth - 11, 14), "\n@01FE0000\n01 ");
  EXPECT_EQ(text.substr(text.size() - 6), "FF 02 ");
  EXPECT_EQ(ui->fields.at(Field::Text5), "00000000");
}

TEST(Reader, MissingEndRecordKeepsTheCellsAndSaysSo) {
  const struct {
    const char* name;
    std::string file;
    std::vector<float> bar;
  } cases[] = {
      {"CR LF", ":03001000010203E7\r\n:02001800AABB81\r\n", {0, 19, 36}},
      {"no final line end", ":03001000010203E7\r\n:02001800AABB81", {0, 19, 34}},
  };
  for (const auto& c : cases) {
    const auto ui = readFile(c.file);
    EXPECT_EQ(ui->fields.at(Field::Text1), kExampleCells) << c.name;
    EXPECT_EQ(ui->barValueHistory, c.bar) << c.name;
    expectOneMessage(*ui, "Hex文件缺少结束记录，文件可能不完整！", c.name);
    EXPECT_EQ(ui->fields.at(Field::Text5), "0000") << c.name;
  }
}

TEST(Reader, OnlyDataRecordsAddCells) {
  EXPECT_EQ(readFile(":020000040000FA\r\n:0400000001020304F2\r\n:00000001FF\r\n")->fields.at(Field::Text1),
            "01 02 03 04 ");
  // Address records between data records add no cells of their own.
  const auto ui = readFile(
      lines({record(0x0000, 0, {1}), record(0, 3, {0, 0, 0x12, 0x34}), record(0x0003, 0, {2}), ":00000001FF"}));
  EXPECT_EQ(ui->fields.at(Field::Text1), "01 FF FF 02 ");
  EXPECT_EQ(ui->barValueHistory.size(), 5U);  // 0, then one value per record
}

TEST(Reader, EndOfFileRecordEndsTheRead) {
  const auto ui =
      readFile(lines({record(0x0000, 0, {1}), ":00000001FF", record(0x0001, 0, {2}), "# not looked at", ":0"}));
  EXPECT_EQ(ui->fields.at(Field::Text1), "01 ");
  EXPECT_EQ(ui->barValueHistory, (std::vector<float>{0, 15, 28}));
  EXPECT_TRUE(ui->messages.empty());
}

TEST(Reader, WholeSegmentOfTwoDistantRecords) {
  std::vector<unsigned> sixteen(16, 0x11);
  const auto ui = readFile(lines({record(0x0000, 0, sixteen), record(0xFFF0, 0, sixteen), ":00000001FF"}));
  const std::string& text = ui->fields.at(Field::Text1);
  ASSERT_EQ(text.size(), 196608U);
  EXPECT_EQ(text.substr(0, 48), cells("11 ", 16));
  EXPECT_EQ(text.substr(48, 65504 * 3), cells("FF ", 65504));
  EXPECT_EQ(text.substr(196608 - 48), cells("11 ", 16));
  EXPECT_EQ(ui->fields.at(Field::Text5), "0000");
}

TEST(Reader, DigitsKeepTheirCaseAndFillStaysUpperCase) {
  const auto ui = readFile(":03000200abCd0f74\r\n:00000001ff\r\n");
  EXPECT_EQ(ui->fields.at(Field::Text1), "FF FF ab Cd 0f ");
}

TEST(Reader, UnreadableFileLeavesFieldAndBarAlone) {
  enum class Failure { Missing, Unreadable, TooLarge };
  for (const Failure failure : {Failure::Missing, Failure::Unreadable, Failure::TooLarge}) {
    FakeServices ui;
    ui.barMax = 7;
    ui.barValue = 3;
    if (failure != Failure::Missing) ui.files["/x.hex"] = kExample;
    if (failure == Failure::Unreadable) ui.unreadable.insert("/x.hex");
    if (failure == Failure::TooLarge) ui.tooLarge.insert("/x.hex");
    ui.openAnswers.push_back({DialogOutcome::Chosen, "/x.hex"});
    openCommand(ui);
    EXPECT_EQ(ui.fields[Field::Text1], kDefaultByteText);
    EXPECT_EQ(ui.barMax, 7);
    EXPECT_EQ(ui.barValue, 3);
    EXPECT_TRUE(ui.barValueHistory.empty());
    expectOneMessage(ui, failure == Failure::TooLarge ? "文件太大（超过256MB），无法读取！" : "文件读取失败！",
                     "failure " + std::to_string(static_cast<int>(failure)));
  }
}

TEST(Reader, CancelledDialogOnlyForgetsTheFileName) {
  FakeServices ui;
  ui.dialogFileName = "/old.hex";
  ui.files["/old.hex"] = kExample;
  ui.openAnswers.push_back({DialogOutcome::Cancelled, ""});
  openCommand(ui);
  EXPECT_EQ(ui.dialogFileName, "");
  EXPECT_EQ(ui.fields[Field::Text1], kDefaultByteText);
  EXPECT_TRUE(ui.barValueHistory.empty());
  EXPECT_TRUE(ui.barMaxHistory.empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.log, (std::vector<std::string>{"ShowOpen"}));
}

TEST(Reader, FailedDialogReadsTheNameItHolds) {
  FakeServices ui;
  ui.dialogFileName = "/old.hex";
  ui.files["/old.hex"] = kExample;
  ui.openAnswers.push_back({DialogOutcome::Failed, ""});
  openCommand(ui);
  EXPECT_EQ(ui.fields[Field::Text1].size(), 26 * kCellWidth);
}

TEST(Reader, OrderOfEffects) {
  const auto ui = readFile(kExample);
  EXPECT_EQ(ui->log, (std::vector<std::string>{"ShowOpen", "Read:/tmp/a.hex", "Max", "Text1="}));
  EXPECT_EQ(ui->barValueHistory.front(), 0);
}

}  // namespace
}  // namespace quorix

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_services.h"
#include "hex.h"
#include "hex_records.h"
#include "messages.h"
#include "reader.h"

namespace quorix {
namespace {

using testing::cells;
using testing::DialogAnswer;
using testing::FakeServices;
using testing::lines;
using testing::record;

// Reads `file` through the open command as a user who picks it would.
std::unique_ptr<FakeServices> readFile(const std::string& file) {
  auto ui = std::make_unique<FakeServices>();
  ui->files["/tmp/a.hex"] = file;
  ui->openAnswers.push_back({DialogOutcome::Chosen, "/tmp/a.hex"});
  openCommand(*ui);
  return ui;
}

const std::string kExample = ":03001000010203E7\r\n:02001800AABB81\r\n:00000001FF\r\n";

TEST(Reader, WorkedExample) {
  const auto ui = readFile(kExample);
  ASSERT_EQ(kExample.size(), 49U);
  EXPECT_EQ(ui->fields.at(Field::Text1), cells("FF ", 16) + "01 02 03 " + cells("FF ", 5) + "AA BB ");
  EXPECT_EQ(ui->fields.at(Field::Text1).size(), 26 * kCellWidth);
  EXPECT_EQ(ui->barMax, 50);
  EXPECT_EQ(ui->barValueHistory, (std::vector<float>{0, 19, 36, 49}));
  EXPECT_TRUE(ui->messages.empty());
  // The bar is reset before its maximum is set, and the field emptied after both.
  EXPECT_EQ(ui->fields.at(Field::Text5), "0000");
}

TEST(Reader, LineEndsAndBlankLinesDoNotShiftRecords) {
  const std::string expected = cells("FF ", 16) + "01 02 03 " + cells("FF ", 5) + "AA BB ";
  const struct {
    const char* name;
    std::string file;
    std::vector<float> bar;
  } cases[] = {
      {"LF", ":03001000010203E7\n:02001800AABB81\n:00000001FF\n", {0, 18, 34, 46}},
      {"CR", ":03001000010203E7\r:02001800AABB81\r:00000001FF\r", {0, 18, 34, 46}},
      {"blank lines", "\r\n:03001000010203E7\r\n\r\n  \r\n:02001800AABB81\n\n:00000001FF", {0, 21, 43, 55}},
      {"no final line end", ":03001000010203E7\r\n:02001800AABB81\r\n:00000001FF", {0, 19, 36, 47}},
      {"no end-of-file record", ":03001000010203E7\r\n:02001800AABB81\r\n", {0, 19, 36}},
  };
  for (const auto& c : cases) {
    const auto ui = readFile(c.file);
    EXPECT_EQ(ui->fields.at(Field::Text1), expected) << c.name;
    EXPECT_EQ(ui->barMax, static_cast<float>(c.file.size() + 1)) << c.name;
    EXPECT_EQ(ui->barValueHistory, c.bar) << c.name;
    EXPECT_TRUE(ui->messages.empty()) << c.name;
  }
}

TEST(Reader, FirstRecordIsFilledBackToItsPage) {
  const struct {
    unsigned address;
    std::size_t fill;
  } cases[] = {{0x0120, 0x20}, {0x0020, 0x20}, {0x0100, 0}, {0x00FF, 0xFF}, {0x0000, 0}};
  for (const auto& c : cases) {
    const auto ui = readFile(lines({record(c.address, 0, {0x5A}), ":00000001FF"}));
    EXPECT_EQ(ui->fields.at(Field::Text1), cells("FF ", c.fill) + "5A ") << c.address;
  }
}

TEST(Reader, RecordsThatStartBeforeThePreviousEndAreRefused) {
  const struct {
    const char* name;
    std::vector<std::string> records;
    std::string cellsBefore;
  } cases[] = {
      {"lower page", {record(0x0200, 0, {1, 2}), record(0x0100, 0, {3})}, "01 02 "},
      {"lower address in page 0", {record(0x0100, 0, {1}), record(0x00F0, 0, {2})}, "01 "},
      {"overlap", {record(0x0010, 0, {1, 2, 3, 4}), record(0x0012, 0, {5})}, cells("FF ", 16) + "01 02 03 04 "},
      {"same address", {record(0x0000, 0, {1}), record(0x0000, 0, {1})}, "01 "},
      {"past a start address record",
       {record(0x0000, 0, {1, 2}), record(0, 5, {0, 0, 0, 0}), record(0x0001, 0, {9})},
       "01 02 "},
  };
  for (const auto& c : cases) {
    std::vector<std::string> file = c.records;
    file.push_back(":00000001FF");
    const auto ui = readFile(lines(file));
    EXPECT_EQ(ui->fields.at(Field::Text1), c.cellsBefore) << c.name;
    ASSERT_EQ(ui->messages.size(), 1U) << c.name;
    EXPECT_EQ(ui->messages[0].prompt, "Hex文件出错，请重新编译！");
    EXPECT_EQ(ui->messages[0].title, "文件出错");
    EXPECT_EQ(ui->messages[0].buttons, Buttons::Ok);
    // The bar keeps the value it had before the record that ran into the next one.
    EXPECT_EQ(ui->barValueHistory, std::vector<float>{0}) << c.name;
  }
}

TEST(Reader, AddressErrorKeepsTheBarOfThePreviousRecord) {
  const std::string file = lines({record(0x0000, 0, {1}), record(0x0010, 0, {2}), record(0x0005, 0, {3})});
  const auto ui = readFile(file);
  EXPECT_EQ(ui->fields.at(Field::Text1), "01 " + cells("FF ", 15) + "02 ");
  EXPECT_EQ(ui->barValueHistory, (std::vector<float>{0, 15}));
  EXPECT_EQ(ui->messages.size(), 1U);
}

TEST(Reader, OnlyDataRecordsAddCells) {
  EXPECT_EQ(readFile(":020000040000FA\r\n:0400000001020304F2\r\n:00000001FF\r\n")->fields.at(Field::Text1),
            "01 02 03 04 ");
  // Start address records lie between data records without breaking the fill.
  const auto ui = readFile(
      lines({record(0x0000, 0, {1}), record(0, 3, {0, 0, 0x12, 0x34}), record(0x0003, 0, {2}), ":00000001FF"}));
  EXPECT_EQ(ui->fields.at(Field::Text1), "01 FF FF 02 ");
  EXPECT_EQ(ui->barValueHistory.size(), 5U);  // 0, then one value per record
}

TEST(Reader, EndOfFileRecordEndsTheRead) {
  const auto ui = readFile(lines({record(0x0000, 0, {1}), ":00000001FF", record(0x0001, 0, {2})}));
  EXPECT_EQ(ui->fields.at(Field::Text1), "01 ");
  EXPECT_EQ(ui->barValueHistory, (std::vector<float>{0, 15, 28}));
}

TEST(Reader, AddressRecordsStartNewSegmentsThatFollowDirectly) {
  std::vector<unsigned> sixteen(16, 0xAB);
  const auto ui = readFile(lines({record(0xFFF0, 0, sixteen), record(0, 4, {0x00, 0x01}), record(0x0000, 0, sixteen),
                                  record(0, 2, {0x20, 0x00}), record(0x0100, 0, {0x01}), ":00000001FF"}));
  EXPECT_EQ(ui->fields.at(Field::Text1), cells("FF ", 0xF0) + cells("AB ", 32) + "01 ");
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
}

TEST(Reader, DigitsKeepTheirCaseAndFillStaysUpperCase) {
  const auto ui = readFile(":03000200abCd0f00\r\n:00000001ff\r\n");
  EXPECT_EQ(ui->fields.at(Field::Text1), "FF FF ab Cd 0f ");
}

TEST(Reader, CutOffFileKeepsWhatIsThere) {
  EXPECT_EQ(readFile(":0400000001020")->fields.at(Field::Text1), "01 02 0  ");
  EXPECT_EQ(readFile(":04000000")->fields.at(Field::Text1), "    ");
  EXPECT_EQ(readFile(":0")->fields.at(Field::Text1), "");
}

TEST(Reader, BytesBeyondAsciiAreTakenAsLatin1) {
  EXPECT_EQ(readFile(":02000000\xE9"
                     "A00\r\n")
                ->fields.at(Field::Text1),
            "\xC3\xA9"
            "A 00 ");
}

TEST(Reader, EmptyFile) {
  const auto ui = readFile("");
  EXPECT_EQ(ui->fields.at(Field::Text1), "");
  EXPECT_EQ(ui->barMax, 1);
  EXPECT_EQ(ui->barValue, 0);
  EXPECT_EQ(ui->selTextCalls, 0U);
  EXPECT_TRUE(ui->messages.empty());
}

TEST(Reader, UnreadableFileLeavesFieldAndBarAlone) {
  for (const bool missing : {true, false}) {
    FakeServices ui;
    ui.barMax = 7;
    ui.barValue = 3;
    if (!missing) {
      ui.files["/x.hex"] = kExample;
      ui.unreadable.insert("/x.hex");
    }
    ui.openAnswers.push_back({DialogOutcome::Chosen, "/x.hex"});
    openCommand(ui);
    EXPECT_EQ(ui.fields[Field::Text1], kDefaultByteText);
    EXPECT_EQ(ui.barMax, 7);
    EXPECT_EQ(ui.barValue, 3);
    EXPECT_TRUE(ui.barValueHistory.empty());
    ASSERT_EQ(ui.messages.size(), 1U);
    EXPECT_EQ(ui.messages[0].prompt, "文件读取失败！");
    EXPECT_EQ(ui.messages[0].title, "文件出错");
    EXPECT_EQ(ui.messages[0].buttons, Buttons::Ok);
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

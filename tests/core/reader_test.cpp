#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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
      {"contiguous across 64 KiB, then an 02 jump far ahead",
       lines({record(0xFFF0, 0, sixteen), record(0, 4, {0x00, 0x01}), record(0x0000, 0, sixteen),
              record(0, 2, {0x20, 0x00}), record(0x0100, 0, {0x01}), ":00000001FF"}),
       cells("FF ", 0xF0) + cells("AB ", 32) + cells("FF ", 0x20100 - 0x10010) + "01 ", "0000FF00"},
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
      {"back to a lower 64 KiB range",
       {record(0, 4, {0, 1}), record(0x0000, 0, {1}), record(0, 4, {0, 0}), record(0xFF00, 0, {2})},
       "01 "},
      {"behind a segment base, wrapping at FFFF", {record(0, 2, {0x10, 0}), record(0xFFFF, 0, {1, 2})}, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> file = c.records;
    file.emplace_back(":00000001FF");
    const auto ui = readFile(lines(file));
    EXPECT_EQ(ui->fields.at(Field::Text1), c.cellsBefore) << c.name;
    expectOneMessage(*ui, "Hex文件出错，请重新编译！", c.name);
    // The bar keeps the value it had after the record before the refused one.
    std::size_t before = 0;
    for (std::size_t i = 0; i + 1 < c.records.size(); ++i) before += c.records[i].size() + 2;
    EXPECT_EQ(ui->barValue, static_cast<float>(before)) << c.name;
  }
}

// Lines that are not records stop the read at their line, counted from 1 by
// CR LF, LF or CR, blank lines included; the cells before them stay.
TEST(Reader, LinesThatAreNoRecordsStopTheRead) {
  const std::string one = ":0100000001FE\r\n";  // 01 at 0000
  const struct {
    const char* name;
    std::string file;
    std::size_t line;
    std::string cellsBefore;
  } cases[] = {
      {"comment line", "# build 12\r\n" + kExample, 1, ""},
      {"no colon", one + "0100010002FC\r\n:00000001FF\r\n", 2, "01 "},
      {"byte-order mark inside", one + "\xEF\xBB\xBF:0100010002FC\r\n", 2, "01 "},
      {"NUL bytes", std::string(40, '\0'), 1, ""},
      {"Latin-1 letter",
       one + ":02000100\xE9"
             "A00\r\n",
       2, "01 "},
      {"text after the record", one + ":00000001FF x\r\n", 2, "01 "},
      {"blank lines counted", one + "\n\r\n\r  \r:zz\r\n", 6, "01 "},
      {"record type 06", one + ":00000006FA\r\n", 2, "01 "},
      {"04 record of three bytes", one + ":03000004000100F8\r\n", 2, "01 "},
      {"02 record of one byte", one + ":01000002FFFE\r\n", 2, "01 "},
  };
  for (const auto& c : cases) {
    const auto ui = readFile(c.file);
    EXPECT_EQ(ui->fields.at(Field::Text1), c.cellsBefore) << c.name;
    expectOneMessage(*ui, invalidRecordPrompt(c.line), c.name);
    EXPECT_EQ(ui->barValue, c.cellsBefore.empty() ? 0.0F : static_cast<float>(one.size())) << c.name;
    EXPECT_EQ(ui->fields.at(Field::Text5), c.cellsBefore.empty() ? kOldStart : "0000") << c.name;
  }
}

TEST(Reader, DamagedRecordsStopTheRead) {
  const std::string one = ":0100000001FE\r\n";
  const struct {
    const char* name;
    std::string file;
    std::string prompt;
  } cases[] = {
      {"wrong checksum", one + ":0400100005060708D3\r\n", checksumErrorPrompt(2, "D2")},
      {"wrong checksum, lower case", one + ":03000200abcd0f00\r\n", checksumErrorPrompt(2, "74")},
      {"wrong checksum, end-of-file record", one + ":00000001FE\r\n", checksumErrorPrompt(2, "FF")},
      {"non-hexadecimal digit", one + ":04001000050G0708D2\r\n", invalidRecordPrompt(2)},
      {"count longer than the line", one + ":0500000001020304F2\r\n", invalidRecordPrompt(2)},
      {"count shorter than the line", one + ":0300000001020304F2\r\n", invalidRecordPrompt(2)},
      {"cut-off last line", one + ":0400000001020", invalidRecordPrompt(2)},
      {"cut-off after the type", one + ":04000000", invalidRecordPrompt(2)},
      {"colon alone", one + ":", invalidRecordPrompt(2)},
  };
  for (const auto& c : cases) {
    const auto ui = readFile(c.file);
    EXPECT_EQ(ui->fields.at(Field::Text1), "01 ") << c.name;
    expectOneMessage(*ui, c.prompt, c.name);
    EXPECT_EQ(ui->barValueHistory, (std::vector<float>{0, static_cast<float>(one.size())})) << c.name;
  }
}

// The byte text stands for at most 16 MiB of addresses from cell 0, so that a
// small sparse file cannot demand gigabytes.
TEST(Reader, SpanLimit) {
  std::vector<std::string> sparse;  // 4 KB: one byte every 16 MiB
  for (unsigned s = 0; s < 256; ++s) {
    sparse.push_back(record(0, 4, {s, 0}));
    sparse.push_back(record(0x0000, 0, {s}));
  }
  const struct {
    const char* name;
    std::string file;
    std::string cells;
  } cases[] = {
      {"small sparse file", lines(sparse), "00 "},
      {"one byte past the limit",
       lines({record(0x0010, 0, {1}), record(0, 4, {0x01, 0x00}), record(0x0000, 0, {2}), ":00000001FF"}),
       cells("FF ", 16) + "01 "},
  };
  for (const auto& c : cases) {
    const auto ui = readFile(c.file);
    EXPECT_EQ(ui->fields.at(Field::Text1), c.cells) << c.name;
    expectOneMessage(*ui, "Hex文件的数据地址范围超过16MB，无法转换！", c.name);
  }

  // The limit counts from cell 0: its last cell is taken, a byte after it is not.
  const auto ui = readFile(lines({record(0x0120, 0, {1}), record(0, 4, {0x01, 0x00}), record(0x00FF, 0, {2}),
                                  record(0x0100, 0, {3}), ":00000001FF"}));
  const std::string& text = ui->fields.at(Field::Text1);
  EXPECT_EQ(text.size(), kMaxReadCells * kCellWidth);
  EXPECT_EQ(text.substr(text.size() - 6), "FF 02 ");
  EXPECT_EQ(ui->fields.at(Field::Text5), "00000100");
  expectOneMessage(*ui, "Hex文件的数据地址范围超过16MB，无法转换！", "past the last cell");
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

TEST(Reader, AddressErrorKeepsTheBarOfThePreviousRecord) {
  const std::string file = lines({record(0x0000, 0, {1}), record(0x0010, 0, {2}), record(0x0005, 0, {3})});
  const auto ui = readFile(file);
  EXPECT_EQ(ui->fields.at(Field::Text1), "01 " + cells("FF ", 15) + "02 ");
  EXPECT_EQ(ui->barValueHistory, (std::vector<float>{0, 15, 30}));
  EXPECT_EQ(ui->messages.size(), 1U);
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

// A file without a single record reads as empty, without a message.
TEST(Reader, EmptyFile) {
  for (const std::string file : {"", "\xEF\xBB\xBF", " \r\n\t\n"}) {
    const auto ui = readFile(file);
    EXPECT_EQ(ui->fields.at(Field::Text1), "");
    EXPECT_EQ(ui->barMax, static_cast<float>(file.size() + 1));
    EXPECT_EQ(ui->barValue, 0);
    EXPECT_EQ(ui->selTextCalls, 0U);
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_EQ(ui->fields.at(Field::Text5), kOldStart);
  }
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

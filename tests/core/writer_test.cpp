#include "save_command.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "byte_text_reader.h"
#include "fake_services.h"
#include "hex.h"
#include "hex_records.h"
#include "hex_writer.h"
#include "messages.h"
#include "open_command.h"
#include "srec_tools.h"

namespace quorix {
namespace {

using testing::cells;
using testing::DialogAnswer;
using testing::FakeServices;
using testing::lines;
using testing::record;
using testing::SrecTools;

constexpr const char* kPath = "/t/a.hex";

// A fake window whose user picks kPath in the save dialog and answers OK.
std::unique_ptr<FakeServices> window(std::string_view text1, std::string_view text5) {
  auto ui = std::make_unique<FakeServices>();
  ui->fields[Field::Text1] = std::string(text1);
  ui->fields[Field::Text5] = std::string(text5);
  ui->saveAnswers.push_back({DialogOutcome::Chosen, kPath});
  return ui;
}

std::unique_ptr<FakeServices> save(std::string_view text1, std::string_view text5 = "0000") {
  auto ui = window(text1, text5);
  saveCommand(*ui);
  return ui;
}

std::string written(const FakeServices& ui) {
  const auto it = ui.files.find(kPath);
  return it == ui.files.end() ? std::string("<no file>") : it->second;
}

// srec_cat reads the file without a word; a file without data it calls empty.
void expectSrecordReads(const std::string& file, const char* name) {
  if (!SrecTools::installed()) return;
  const std::string errors = SrecTools().complaints(file);
  if (file.find(":00000001FF") == 0) {
    EXPECT_NE(errors.find("no data"), std::string::npos) << name << errors;
  } else {
    EXPECT_EQ(errors, "") << name;
  }
}

// The refusal a save brought, with the file left as it was and nothing started.
void expectRefused(const FakeServices& ui, const std::string& prompt, const std::string& old, const char* name) {
  ASSERT_FALSE(ui.messages.empty()) << name;
  EXPECT_EQ(ui.messages.back().prompt, prompt) << name;
  EXPECT_EQ(written(ui), old) << name;
  EXPECT_EQ(std::count_if(ui.log.begin(), ui.log.end(), [](const std::string& e) { return e.starts_with("Replace:"); }),
            0)
      << name;
  EXPECT_TRUE(ui.barValueHistory.empty()) << name;
}

TEST(Writer, WorkedExamples) {
  const auto first = save(kDefaultByteText, "0000");
  EXPECT_EQ(written(*first),
            lines({":100000000102030405060708090A0B0C0D0E0F1068", ":0400100011121314A2", ":00000001FF"}));
  EXPECT_EQ(first->barMaxHistory, std::vector<float>{20});
  EXPECT_EQ(first->barValueHistory, (std::vector<float>{16, 20}));
  EXPECT_TRUE(first->messages.empty());

  const auto second = save(cells("C3 ", 16) + "BB FF FF", "00F8");
  EXPECT_EQ(written(*second), lines({":1000F800C3C3C3C3C3C3C3C3C3C3C3C3C3C3C3C3C8", ":01010800BB3B", ":00000001FF"}));
  EXPECT_EQ(second->barMaxHistory, std::vector<float>{56.0F / 3.0F});
  // The final "FF" without a separator now counts as a cell, and is removed as fill.
  EXPECT_EQ(second->barValueHistory, (std::vector<float>{16, 19}));
  // Neither field is changed.
  EXPECT_EQ(second->fields.at(Field::Text1), cells("C3 ", 16) + "BB FF FF");
  EXPECT_EQ(second->fields.at(Field::Text5), "00F8");
}

TEST(Writer, Records) {
  const struct {
    const char* name;
    std::string text1;
    std::string text5;
    std::vector<std::string> records;  // before the end-of-file record
  } cases[] = {
      {"empty text", "", "0000", {}},
      {"16 cells", cells("5A ", 16), "0000", {":100000005A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A50"}},
      {"17 cells", cells("5A ", 17), "0000", {":100000005A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A50", ":010010005A95"}},
      {"final cell without separator", "01 02 03", "0000", {":03000000010203F7"}},
      {"48 characters less the last blank",
       cells("5A ", 16).substr(0, 47),
       "0000",
       {":100000005A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A50"}},
      {"lone final character", "01 02 0", "0000", {":020000000102FB"}},
      {"lone character after a block", cells("5A ", 16) + "7", "0000", {":100000005A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A50"}},
      {"only trailing FF removed", "FF FF 00 FF ", "0000", {":03000000FFFF00FF"}},
      {"all FF", "FF FF FF ", "0000", {}},
      {"all-FF block leaves a gap",
       cells("01 ", 16) + cells("FF ", 16) + "02 ",
       "0000",
       {":1000000001010101010101010101010101010101E0", ":0100200002DD"}},
      {"upper case written, ff is data", "ab ff ", "0000", {":02000000ABFF54"}},
      {"mixed case FF is data", "Ff fF ", "0000", {":02000000FFFF00"}},
      {"each separator, runs of them count as one",
       "01,02;03-04\t05\r\n06  07 \r\n08",
       "0000",
       {":080000000102030405060708D4"}},
      {"hex string without separators",
       "0102030405060708090A0B0C0D0E0F10",
       "0000",
       {":100000000102030405060708090A0B0C0D0E0F1068"}},
      {"hex strings read two digits at a time", "0102 0304\r\n050607", "0000", {":0700000001020304050607DD"}},
      {"terminal lines", "01 02 03 04\r\n05 06 07 08", "0000", {":080000000102030405060708D4"}},
      {"blank before each line end", "01 02 03 04 \r\n05 06 07 08 \r\n", "0000", {":080000000102030405060708D4"}},
      {"two blanks", "01  02", "0000", {":020000000102FB"}},
      {"lone digit after a hex string", "0102 0", "0000", {":020000000102FB"}},
      {"start with blanks around it", "01 ", " 8000 ", {":01800000017E"}},
      {"start of three digits is the value typed", "01 ", "100", {":0101000001FD"}},
      {"start of one digit", "01 ", "7", {":0100070001F7"}},
      {"empty start is 0000", "01 ", "", {":0100000001FE"}},
      {"lower-case start", "01 ", "ab0c", {":01AB0C000147"}},
      {"0x before the start", "01 ", "0x100", {":0101000001FD"}},
      {"0X before eight digits", "01 ", "0X00010000", {":020000040001F9", ":0100000001FE"}},
      {"address carry", cells("00 ", 17), "01F8", {":1001F80000000000000000000000000000000000F7", ":0102080000F5"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> expected = c.records;
    expected.emplace_back(":00000001FF");
    const auto ui = save(c.text1, c.text5);
    EXPECT_EQ(written(*ui), lines(expected)) << c.name;
    EXPECT_TRUE(ui->messages.empty()) << c.name;
    expectSrecordReads(written(*ui), c.name);
  }
}

TEST(Writer, ProgressFollowsEveryBlock) {
  const struct {
    std::string text1;
    float max;
    std::vector<float> values;
  } cases[] = {
      {"", 0, {}},
      {cells("01 ", 20) + "0", 61.0F / 3.0F, {16, 20}},
      {"01 02 03", 8.0F / 3.0F, {3}},
      {"01 02 0", 7.0F / 3.0F, {2}},
      {cells("01 ", 16) + "7", 49.0F / 3.0F, {16, 16}},  // the lone character still makes a block
      {cells("FF ", 40), 40, {16, 32, 40}},
      // Text in any other layout counts its cells.
      {"01,02,03", 3, {3}},
      {"01 02 03 \r\n", 3, {3}},
      {" 01 02 03 ", 3, {3}},
      {cells("01", 17), 17, {16, 17}},
      {cells("01", 16) + " 7", 16, {16}},  // no block of its own here
  };
  for (const auto& c : cases) {
    const auto ui = save(c.text1);
    EXPECT_EQ(ui->barMaxHistory, std::vector<float>{c.max}) << c.text1;
    EXPECT_EQ(ui->barValueHistory, c.values) << c.text1;
  }
}

TEST(Writer, EachLineAndProgressComeInOrder) {
  std::vector<std::string> events;
  const TextBytes bytes = readByteText(cells("01 ", 16) + cells("FF ", 16) + "02 ");
  const auto plan = std::get<SavePlan>(planSave(bytes, "0000"));
  EXPECT_TRUE(writeRecords(
      plan.image, plan.extended,
      [&](std::string_view line) {
        events.emplace_back(line);
        return true;
      },
      [&](std::size_t value) { events.push_back("bar " + std::to_string(value)); }));
  EXPECT_EQ(events, (std::vector<std::string>{"bar 16", ":1000000001010101010101010101010101010101E0", "bar 32",
                                              "bar 33", ":0100200002DD", ":00000001FF"}));
}

TEST(Writer, AllFFBlocksBeyondFFFFDoNotStop) {
  const auto ui = save(cells("12 ", 16) + cells("FF ", 40), "FFF0");
  EXPECT_EQ(written(*ui), lines({":10FFF00012121212121212121212121212121212E1", ":00000001FF"}));
  EXPECT_TRUE(ui->messages.empty());
}

// Blocks that reach the top of a 16-bit file, and 32-bit files: one extended
// linear address record before the first data record of each 64 KiB range,
// no record across a range's end, nothing beyond FFFFFFFF.
TEST(Writer, RangesAndTheTopAddress) {
  const std::string eof = ":00000001FF";
  const std::string ones8 = ":08FFF800111111111111111179";
  const struct {
    const char* name;
    std::string text1;
    std::string text5;
    std::vector<std::string> lines;
  } cases[] = {
      {"trailing FF dropped first", cells("11 ", 8) + cells("FF ", 8), "FFF8", {ones8, eof}},
      {"five digits", "01 ", "12345", {":020000040001F9", ":012345000196", eof}},
      {"block split at a range's end",
       cells("11 ", 16),
       "0000FFF8",
       {":020000040000FA", ones8, ":020000040001F9", ":08000000111111111111111170", eof}},
      {"one address record per range",
       cells("22 ", 32),
       "00012340",
       {":020000040001F9", ":10234000222222222222222222222222222222226D", ":10235000222222222222222222222222222222225D",
        eof}},
      {"first blocks all FF", cells("FF ", 16) + "01 ", "0000FFF0", {":020000040001F9", ":0100000001FE", eof}},
      {"all FF beyond FFFFFFFF",
       cells("11 ", 16) + cells("FF ", 16),
       "FFFFFFF0",
       {":02000004FFFFFC", ":10FFF00011111111111111111111111111111111F1", eof}},
      {"no data", "", "08000000", {eof}},
  };
  for (const auto& c : cases) {
    const auto ui = save(c.text1, c.text5);
    EXPECT_EQ(written(*ui), lines(c.lines)) << c.name;
    EXPECT_TRUE(ui->messages.empty()) << c.name;
    expectSrecordReads(written(*ui), c.name);
  }
}

TEST(Writer, LongTextsAreWrittenCompletelyUpToFFFF) {
  const struct {
    std::size_t cells;
    std::string start;
    std::size_t records;  // data records
    bool complete;
  } cases[] = {
      {10912, "0000", 682, true},   // 32,736 characters, the old limit
      {10913, "0000", 683, true},   // one cell beyond it
      {65536, "0000", 4096, true},  // a whole 64 KiB image
      {32768, "8000", 2048, true},
  };
  for (const auto& c : cases) {
    const auto ui = save(cells("A5 ", c.cells), c.start);
    const std::string file = written(*ui);
    std::istringstream in(file);
    std::vector<std::string> got;
    for (std::string l; std::getline(in, l);) got.push_back(l);
    ASSERT_EQ(got.size(), c.records + (c.complete ? 1 : 0)) << c.cells;
    EXPECT_EQ(got.back() == ":00000001FF\r", c.complete) << c.cells;
    EXPECT_EQ(ui->messages.size(), c.complete ? 0U : 1U) << c.cells;
    // The last data record sits right below the top or the end of the text.
    const std::size_t lastAddress = startAddress(c.start)->value + (c.records - 1) * 16;
    EXPECT_EQ(got[c.records - 1].substr(3, 4),
              Hexx(static_cast<long long>(lastAddress >> 8U)) + Hexx(static_cast<long long>(lastAddress)))
        << c.cells;
    EXPECT_EQ(ui->barValueHistory.back(), static_cast<float>(c.cells)) << c.cells;
  }
}

// Every form of byte text, read: the digits of its bytes, or the refusal
// with its line (decorated texts) or byte (plain ones).
TEST(ByteText, Forms) {
  const std::string xxd31 = cells("a5", 30) + "\n" + "5a";
  const auto line = [](std::size_t n) { return unrecognisedLinePrompt(n); };
  const struct {
    const char* name;
    std::string text;
    std::string want;  // digits, or the refusal
  } cases[] = {
      {"0x bytes", "0x01 0x02", "0102"},
      {"0x list, one digit, X", "0x1,0X0a,", "010a"},
      {"h bytes", "01h 0FFh 1H", "01FF01"},
      {"cells and hex strings decided per line", "0x01 0x02\n0304", "01020304"},
      {"xxd -p of 31 bytes", xxd31, cells("a5", 30) + "5a"},
      {"timestamped log", "[11:18:07.200] 01 03 00\r\n[11:18:07.300] 04 \r\n", "01030004"},
      {"log with marks", "[11:18:07.200]收←◆01 03 00 \n[11:18:08.000] 收←◆ 04", "01030004"},
      {"date, blank, time, RX:", "[2024-05-06 11:18:07.200] RX: 01\n[2024/05/06 11:18:07] Rx:02", "0102"},
      {"counter and ->", "[12] -> 01 02\n[13]->03", "010203"},
      {"a prefix alone adds nothing", "[11:18:07]\n01\n[11:18:08]", "01"},
      {"no-break space", "01\u00A002", "0102"},
      {"ideographic space", "01\u300002 03 ", "010203"},
      {"U+2028 and U+2029 end lines", "01\u202802\u202903", "010203"},
      {"byte-order mark", "\uFEFF01 02", "0102"},
      {"lone byte-order mark", "\uFEFF", ""},
      {"q ends the text", "01 02 q\n", "0102"},
      {"cell", "01 0G", nonHexPrompt(2)},
      {"q before the end", "01 q 02", nonHexPrompt(2)},
      {"plain text, line ends", "01\u202802\r\n03 0G", nonHexPrompt(4)},
      {"forms mixed in a line", "0x01 02", line(1)},
      {"0x without digits", "0x01\n0x", line(2)},
      {"0x with three digits", "0x123", line(1)},
      {"h with three digits", "00FFh", line(1)},
      {"bad byte in a log", "[11:18:07] 01\r[11:18:08] 0G", line(2)},
      {"each line end counts", "0x01\r\n0x02\r0x03\n0x04\u20280x05\u20290xZZ", line(6)},
      {"a bracket that is no time", "[0x01, 0x02]", line(1)},
      {"a mark without a time", "RX: 01", line(1)},
      {"offset column, hex strings", "0000 0102030405060708090A0B0C0D0E0F10", line(1)},
      {"od offsets", "01 02\n000000 0201 0403", line(2)},
      {"separators only", ",,,", line(1)},
      {"prefixes only", "\n\n[11:18:07]", line(3)},
      {"received and sent", "[1] RX: 01\n[2] TX: 02", std::string(kMixedDirectionPrompt)},
      {"malformed address line", "01 @0G", badAddressLinePrompt("@0G")},
  };
  for (const auto& c : cases) {
    const TextBytes got = readByteText(c.text);
    EXPECT_EQ(got.refusal.value_or(got.digits), c.want) << c.name;
  }
  // The refused spot, for the caret.
  EXPECT_EQ(readByteText("01 0G").refusalAt, 3U);
  EXPECT_EQ(readByteText("0x01\n0x0G").refusalAt, 5U);
}

// Address lines place the bytes after them; records come in address order.
// A save that brings a message writes nothing and leaves an old file as it
// was, data beyond the top of the file included.
TEST(Writer, AddressLinesAndRefusals) {
  const std::string eof = ":00000001FF";
  const std::string beyondFFFF = std::string(kAddressTooLargePrompt) + "\n" + std::string(kBeyondFFFFAdvice);
  const struct {
    const char* name;
    std::string text1;
    std::string text5;
    std::vector<std::string> lines;  // or the refusal, alone
  } cases[] = {
      {"blocks in any order, q at the end",
       "@0800\n01 02\n@0010\n03\nq\n",
       "GGGG",
       {":0100100003EC", ":020800000102F3", eof}},
      {"records at the address + 16k",
       "@0005 " + cells("11 ", 20),
       "",
       {":1000050011111111111111111111111111111111DB", ":0400150011111111A3", eof}},
      {"Text5 gives the bytes before the first", "01 @0100 02", "0x10", {":0100100001EE", ":0101000002FC", eof}},
      {"a wide start unused gives a 16-bit file", "@0100 01", "08000000", {":0101000001FD", eof}},
      {"eight digits: 32-bit", "@00000000 01", "", {":020000040000FA", ":0100000001FE", eof}},
      {"five digits: 32-bit", "@10000 01", "", {":020000040001F9", ":0100000001FE", eof}},
      {"32-bit, ranges in order",
       "@FFFF0000 01 @0 02",
       "",
       {":020000040000FA", ":0100000002FD", ":02000004FFFFFC", ":0100000001FE", eof}},
      {"bad start with a cell before", "01 @0100 02", "GGGG", {std::string(kBadStartAddressPrompt)}},
      {"overlap", "@0800 01 02 @0801 03", "", {overlappingAddressLinePrompt("@0801")}},
      {"overlap names the later line", "@0801 03 @800 01 02", "", {overlappingAddressLinePrompt("@800")}},
      {"start overlaps a line", "01 02 @1 03", "0000", {overlappingAddressLinePrompt("@1")}},
      {"@ alone", "@ 01", "", {badAddressLinePrompt("@")}},
      {"nine digits", "@123456789 01", "", {badAddressLinePrompt("@123456789")}},
      {"address lines without bytes", "@0800\n@0900", "", {unrecognisedLinePrompt(1)}},
      {"16-bit block across FFFF", cells("12 ", 32), "FFF0", {beyondFFFF}},
      {"inner FF beyond FFFF", cells("11 ", 10) + cells("FF ", 6), "FFF8", {beyondFFFF}},
      {"all-FF blocks first", cells("FF ", 16) + "01 ", "FFF0", {beyondFFFF}},
      {"one byte past FFFF", cells("A5 ", 65537), "0000", {beyondFFFF}},
      {"address line within FFFF, data past it", "@FFFF 01 02 ", "", {beyondFFFF}},
      {"32-bit block across FFFFFFFF", cells("11 ", 16), "FFFFFFF8", {std::string(kAddressTooLargePrompt)}},
      {"address line at the top", "@FFFFFFFF 01 02 ", "", {std::string(kAddressTooLargePrompt)}},
  };
  for (const auto& c : cases) {
    auto ui = window(c.text1, c.text5);
    ui->files[kPath] = "old\r\n";
    saveCommand(*ui);
    if (c.lines.size() == 1) {
      ASSERT_EQ(ui->messages.size(), 2U) << c.name;  // the question, then the refusal alone
      expectRefused(*ui, c.lines[0], "old\r\n", c.name);
      const bool tooLarge = c.lines[0].starts_with(kAddressTooLargePrompt);
      EXPECT_EQ(ui->messages[1].title, tooLarge ? std::nullopt : std::optional<std::string>("文件出错")) << c.name;
    } else {
      EXPECT_EQ(ui->messages.size(), 1U) << c.name << ": " << ui->messages.back().prompt;
      EXPECT_EQ(written(*ui), lines(c.lines)) << c.name;
      expectSrecordReads(written(*ui), c.name);
    }
  }
}

TEST(Writer, FileNameGetsTheExtension) {
  const struct {
    std::string chosen;
    std::string saved;
  } cases[] = {
      {"/t/a", "/t/a.hex"},
      {"/t/a.hex", "/t/a.hex"},
      {"/t/a.HEX", "/t/a.HEX"},
      {"/t/a.Hex", "/t/a.Hex.hex"},
      {"/t/a.hex.txt", "/t/a.hex.txt.hex"},
      {"/t/文件", "/t/文件.hex"},
      {"/t/文件.hex", "/t/文件.hex"},
  };
  for (const auto& c : cases) {
    FakeServices ui;
    ui.saveAnswers.push_back({DialogOutcome::Chosen, c.chosen});
    saveCommand(ui);
    EXPECT_EQ(ui.dialogFileName, c.saved) << c.chosen;
    ASSERT_EQ(ui.files.count(c.saved), 1U) << c.chosen;
    EXPECT_EQ(ui.files.size(), 1U) << c.chosen;
    EXPECT_EQ(ui.filter, "Hex文件(*.hex)|*.hex");
  }
}

TEST(Writer, CancelledDialogTouchesNothing) {
  FakeServices ui;
  ui.dialogFileName = "/t/old.hex";
  ui.saveAnswers.push_back({DialogOutcome::Cancelled, ""});
  saveCommand(ui);
  EXPECT_EQ(ui.log, (std::vector<std::string>{"Filter", "ShowSave"}));
  EXPECT_EQ(ui.dialogFileName, "/t/old.hex");
  EXPECT_TRUE(ui.files.empty());
  EXPECT_TRUE(ui.barValueHistory.empty());
}

TEST(Writer, FailedDialogUsesTheNameItHolds) {
  FakeServices ui;
  ui.dialogFileName = "/t/old";
  ui.saveAnswers.push_back({DialogOutcome::Failed, ""});
  saveCommand(ui);
  EXPECT_EQ(ui.dialogFileName, "/t/old.hex");
  EXPECT_EQ(ui.files.count("/t/old.hex"), 1U);
}

TEST(Writer, NonEmptyFileBringsTheQuestion) {
  const std::string old = "old contents\r\n";
  // OK replaces the file.
  auto ok = window(kDefaultByteText, "0000");
  ok->files[kPath] = old;
  saveCommand(*ok);
  ASSERT_EQ(ok->messages.size(), 1U);
  EXPECT_EQ(ok->messages[0].prompt, "文件已存在，是否覆盖它？");
  EXPECT_EQ(ok->messages[0].title, "！文件已存在");
  EXPECT_EQ(ok->messages[0].buttons, Buttons::OkCancel);
  EXPECT_EQ(written(*ok).substr(0, 11), ":1000000001");

  // Cancel goes back to the dialog, preset with the name that got ".hex"; the
  // filter is set once. Cancelling the dialog then leaves the old file.
  FakeServices no;
  no.files["/t/b.hex"] = old;
  no.saveAnswers = {
      {DialogOutcome::Chosen, "/t/b"}, {DialogOutcome::Chosen, "/t/b.hex"}, {DialogOutcome::Cancelled, ""}};
  no.messageAnswers = {Answer::Cancel, Answer::Cancel};
  saveCommand(no);
  EXPECT_EQ(no.fileNamesAtSave, (std::vector<std::string>{"", "/t/b.hex", "/t/b.hex"}));
  EXPECT_EQ(no.log, (std::vector<std::string>{"Filter", "ShowSave", "Message:文件已存在，是否覆盖它？", "ShowSave",
                                              "Message:文件已存在，是否覆盖它？", "ShowSave"}));
  EXPECT_EQ(no.files["/t/b.hex"], old);

  // After a Cancel the user may pick another file.
  FakeServices other;
  other.files["/t/b.hex"] = old;
  other.saveAnswers = {{DialogOutcome::Chosen, "/t/b.hex"}, {DialogOutcome::Chosen, "/t/c.hex"}};
  other.messageAnswers = {Answer::Cancel};
  saveCommand(other);
  EXPECT_EQ(other.files["/t/b.hex"], old);
  EXPECT_EQ(other.files.count("/t/c.hex"), 1U);
  EXPECT_EQ(other.messages.size(), 1U);
}

TEST(Writer, EmptyMissingOrUnreadableFileBringsNoQuestion) {
  for (const int kind : {0, 1, 2}) {
    auto ui = window("01 ", "0000");
    if (kind >= 1) ui->files[kPath] = kind == 1 ? "" : "unreadable";
    if (kind == 2) ui->unreadable.insert(kPath);
    saveCommand(*ui);
    EXPECT_TRUE(ui->messages.empty()) << kind;
    EXPECT_EQ(written(*ui), lines({":0100000001FE", ":00000001FF"})) << kind;
  }
}

TEST(Writer, TextThatIsNoCellsAndBadStartsAreRefused) {
  const std::string badStart(kBadStartAddressPrompt);
  const auto nonHex = [](std::size_t cell) { return nonHexPrompt(cell); };
  const struct {
    const char* name;
    std::string text1;
    std::string text5;
    std::string prompt;
  } cases[] = {
      {"letter", "01 0G 03 ", "0000", nonHex(2)},
      {"final cell without separator", "01 02 0g", "0000", nonHex(3)},
      {"lone final character that is no digit", "01 g", "0000", nonHex(2)},
      {"lone digit inside the text", "01 0 02 ", "0000", nonHex(2)},
      {"lone digit that is the whole text", "0", "0000", nonHex(1)},
      {"foreign characters", "01 中文 ", "0000", nonHex(2)},
      {"first cell", "x1 ", "0000", nonHex(1)},
      {"other separator", "01x02 03", "0000", nonHex(1)},
      {"too long among cells", "01 02 030 04 ", "0000", nonHex(3)},
      {"od's octal offsets beside bytes", "0000000 7f 45 4c 46\n0000004 02 01", "0000", offsetMismatchPrompt(1)},
      {"odd hex string", "0102 0304 050", "0000", nonHex(5)},
      {"letter in a hex string", "0102 03G4", "0000", nonHex(3)},
      {"cells are checked first", "01 0G ", "GGGG", nonHex(2)},
      {"0x without digits", "01 ", "0x", badStart},
      {"letters", "01 ", "GGGG", badStart},
      {"full-width digits", "01 ", "８０００", badStart},
      {"foreign character", "01 ", "中010", badStart},
      {"nine digits", "01 ", "123456789", badStart},
      {"blank inside", "01 ", "12 34", badStart},
  };
  for (const auto& c : cases) {
    auto ui = window(c.text1, c.text5);
    ui->files[kPath] = "old";
    saveCommand(*ui);
    ASSERT_EQ(ui->messages.size(), 2U) << c.name;  // the question, then the refusal
    EXPECT_EQ(ui->messages[1].prompt, c.prompt) << c.name;
    EXPECT_EQ(ui->messages[1].title, "文件出错");
    EXPECT_EQ(ui->messages[1].buttons, Buttons::Ok);
    EXPECT_EQ(ui->files[kPath], "old") << c.name;
    EXPECT_EQ(
        std::count_if(ui->log.begin(), ui->log.end(), [](const std::string& e) { return e.starts_with("Replace:"); }),
        0);
    EXPECT_TRUE(ui->barMaxHistory.empty()) << c.name;
    EXPECT_TRUE(ui->barValueHistory.empty()) << c.name;
  }
}

TEST(Writer, FileFailuresLeaveTheOldFile) {
  const std::string old = ":0100000055AA\r\n:00000001FF\r\n";
  const struct {
    const char* name;
    bool unwritable;
    std::optional<std::size_t> failWriteAfter;
    bool failCommit;
    std::size_t barValues;
  } cases[] = {
      {"cannot start", true, std::nullopt, false, 0},
      {"first line", false, 0, false, 1},
      {"second line", false, 1, false, 2},
      {"end-of-file record", false, 2, false, 2},
      {"commit", false, std::nullopt, true, 2},
  };
  for (const auto& c : cases) {
    auto ui = window(kDefaultByteText, "0000");
    ui->files[kPath] = old;
    if (c.unwritable) ui->unwritable.insert(kPath);
    ui->failWriteAfter = c.failWriteAfter;
    ui->failCommit = c.failCommit;
    saveCommand(*ui);
    EXPECT_EQ(ui->files[kPath], old) << c.name;
    ASSERT_EQ(ui->messages.size(), 2U) << c.name;
    EXPECT_EQ(ui->messages[1].prompt, "文件保存失败！") << c.name;
    EXPECT_EQ(ui->messages[1].title, "文件出错");
    EXPECT_EQ(ui->messages[1].buttons, Buttons::Ok);
    EXPECT_EQ(ui->barValueHistory.size(), c.barValues) << c.name;
    EXPECT_EQ(ui->openFiles, 0) << c.name;
    // Nothing is tried after a line that failed.
    EXPECT_EQ(
        std::count_if(ui->log.begin(), ui->log.end(), [](const std::string& e) { return e.starts_with("Commit:"); }),
        c.failCommit ? 1 : 0)
        << c.name;
  }
}

TEST(Writer, OrderOfTheRun) {
  auto ui = window("01 ", "0000");
  ui->files[kPath] = "x";
  saveCommand(*ui);
  EXPECT_EQ(ui->log, (std::vector<std::string>{"Filter", "ShowSave", "Message:文件已存在，是否覆盖它？",
                                               std::string("Replace:") + kPath, "Max", "Line::0100000001FE",
                                               "Line::00000001FF", std::string("Commit:") + kPath}));
}

// ---- An independent reader: the srecord tools accept what is written and see the right bytes.

class Srecord : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SrecTools::installed()) GTEST_SKIP() << "srecord is not installed";
  }

  [[nodiscard]] std::string put(const std::string& name, const std::string& contents) const {
    return tools_.put(name, contents);
  }
  int run(const std::string& command, std::string* errors = nullptr) const { return tools_.run(command, errors); }
  std::string image(const std::string& hexPath, std::string* errors, std::uint64_t lo = 0,
                    std::uint64_t hi = 0x10000) const {
    return tools_.image(hexPath, errors, lo, hi);
  }

  SrecTools tools_;
};

TEST_F(Srecord, RecordsHoldTheRightBytesAtTheRightAddresses) {
  // Byte text with all-FF gaps, trailing fill, lower case and odd lengths.
  std::string text;
  std::vector<unsigned> bytes;
  for (unsigned i = 0; i < 700; ++i) {
    unsigned b = (i * 37U + 11U) & 0xFFU;
    if ((i / 16) % 5 == 3 || i % 16 > 12) b = 0xFF;
    bytes.push_back(b);
    std::string digits = Hexx(b);
    if (i % 7 == 0 && b != 0xFF)
      digits = {static_cast<char>(std::tolower(digits[0])), static_cast<char>(std::tolower(digits[1]))};
    text += digits + " ";
  }
  text.pop_back();  // no blank after the last cell
  for (const char* start : {"0000", "00F8", "1234", "FD00", "0000FFF8", "0001FFE0", "12345", "FFFFFC00"}) {
    const auto ui = save(text, start);
    ASSERT_TRUE(ui->messages.empty()) << start;
    const std::string out = put("out.hex", written(*ui));
    const std::uint64_t first = startAddress(start)->value;
    const std::uint64_t end = first + bytes.size();
    std::string errors;
    const std::string got = image(out, &errors, first, end);
    EXPECT_EQ(errors, "") << start;  // not even a warning
    std::string want;
    for (const unsigned b : bytes) want.push_back(static_cast<char>(b));
    EXPECT_EQ(got, want) << start;
    // Nothing lies elsewhere.
    for (const auto& [lo, hi] : tools_.ranges(out)) {
      EXPECT_TRUE(lo >= first && hi < end) << start << " " << std::hex << lo << "-" << hi;
    }
  }
}

TEST_F(Srecord, MegabyteAt08000000) {
  std::string text;
  std::string bin;
  for (unsigned i = 0; i < (1U << 20U); ++i) {
    const unsigned b = (i * 131U + (i >> 9U)) % 0xFFU;  // no FF, so that nothing is left out
    text.append(Hexx(b)).push_back(' ');
    bin.push_back(static_cast<char>(b));
  }
  const auto ui = save(text, "08000000");
  ASSERT_TRUE(ui->messages.empty());
  const std::string out = put("mega.hex", written(*ui));
  std::string errors;
  EXPECT_EQ(run("srec_cmp '" + out + "' -intel '" + put("mega.bin", bin) + "' -binary -offset 0x08000000", &errors), 0)
      << errors;
  EXPECT_EQ(errors, "");
  EXPECT_EQ(tools_.ranges(out), (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{0x08000000, 0x080FFFFF}}));
}

TEST_F(Srecord, WholeImageAndTheRefusalBeyondIt) {
  std::string text;
  std::string want;
  for (unsigned i = 0; i < 0x10000; ++i) {
    const unsigned b = (i ^ (i >> 8U)) & 0xFFU;
    text += Hexx(b) + " ";
    want.push_back(static_cast<char>(b));
  }
  std::string errors;
  EXPECT_EQ(image(put("all.hex", written(*save(text))), &errors), want) << errors;
  EXPECT_EQ(errors, "");

  // From 0001 the last byte would lie at 10000: nothing is written at all.
  const auto from1 = save(text, "0001");
  EXPECT_EQ(written(*from1), "<no file>");
  ASSERT_EQ(from1->messages.size(), 1U);

  // The same image in a 32-bit file from 0001 holds every byte.
  EXPECT_EQ(image(put("from1.hex", written(*save(text, "00000001"))), &errors, 1, 0x10001), want) << errors;
  EXPECT_EQ(errors, "");
}

TEST_F(Srecord, ToolRefusesABadChecksum) {
  // Guards the checks above: a record with a wrong checksum must fail.
  std::string errors;
  EXPECT_TRUE(image(put("bad.hex", ":0100000001FF\r\n:00000001FF\r\n"), &errors).empty());
  EXPECT_NE(errors.find("checksum"), std::string::npos) << errors;
}

}  // namespace
}  // namespace quorix

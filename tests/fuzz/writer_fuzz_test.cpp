// Randomised saving: random byte texts and start addresses, with now and then
// a broken cell, an existing file or a failing disk. Every file written must
// parse as Intel HEX and hold exactly the bytes of an address model; a failed
// save leaves the old file as it was. Seeded like the reader's test.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fake_services.h"
#include "messages.h"
#include "fuzz_support.h"
#include "writer.h"

namespace quorix::fuzz {
namespace {

using quorix::testing::DialogAnswer;
using quorix::testing::FakeServices;

// Stands for one character outside ASCII in the model's text; the field gets "é".
constexpr char kForeign = '\x01';

struct SaveCase {
  std::string units;  // one byte per character
  std::string text5;
  std::string chosenName;
  std::optional<std::string> oldFile;
  std::optional<std::size_t> failWriteAfter;
  bool failCommit = false;
};

std::string toUtf8(std::string_view units) {
  std::string out;
  for (const char c : units) out += c == kForeign ? std::string("\xC3\xA9") : std::string(1, c);
  return out;
}

SaveCase generate(Random& rnd) {
  SaveCase c;
  const long cells = rnd.chance(0.02) ? rnd.between(10'000, 12'000) : rnd.between(0, 80);
  static const std::vector<char> kSeparators = {' ', ' ', ' ', ' ', ',', '\n', 'A', kForeign};
  const char usual = rnd.chance(0.9) ? ' ' : rnd.pick(kSeparators);
  for (long i = 0; i < cells; ++i) {
    const double kind = static_cast<double>(rnd.between(0, 99)) / 100;
    if (kind < 0.25) {
      c.units += "FF";
    } else if (kind < 0.3) {
      c.units += "ff";
    } else {
      c.units += hexByte(static_cast<unsigned>(rnd.between(0, 255)), rnd.chance(0.1));
    }
    c.units += rnd.chance(0.02) ? rnd.pick(kSeparators) : usual;
  }
  if (!c.units.empty() && rnd.chance(0.3)) c.units.pop_back();  // no blank after the last cell
  if (rnd.chance(0.1)) c.units += hexByte(static_cast<unsigned>(rnd.between(0, 255))).substr(0, 1);
  if (!c.units.empty() && rnd.chance(0.15)) {
    static const std::vector<char> kBad = {'G', 'x', ' ', '\n', kForeign};
    c.units[static_cast<std::size_t>(rnd.between(0, static_cast<long>(c.units.size()) - 1))] = rnd.pick(kBad);
  }

  if (rnd.chance(0.8)) {
    const long start = rnd.chance(0.3) ? rnd.between(0xFE00, 0xFFFF) : rnd.between(0, 0xFFFF);
    c.text5 = hexByte(static_cast<unsigned>(start >> 8), rnd.chance(0.2)) +
              hexByte(static_cast<unsigned>(start & 0xFF), rnd.chance(0.2));
  } else {
    static const std::vector<std::string> kOdd = {"",     "1",    "123",   "12345",
                                                  "0x10", "G0F0", "FFFFF", std::string(1, kForeign) + "0F0"};
    c.text5 = rnd.pick(kOdd);
  }

  static const std::vector<std::string> kNames = {"/fuzz/out", "/fuzz/out.hex", "/fuzz/out.HEX", "/fuzz/out.Hex"};
  c.chosenName = rnd.pick(kNames);
  if (rnd.chance(0.2)) c.oldFile = rnd.chance(0.2) ? std::string() : std::string(":00000001FF\r\n");
  if (rnd.chance(0.1)) c.failWriteAfter = static_cast<std::size_t>(rnd.between(0, 5));
  c.failCommit = rnd.chance(0.05);
  return c;
}

// What a save of the case must give, computed from addresses rather than lines.
struct Expected {
  std::string path;
  std::optional<std::size_t> badCell;  // counting from 1
  std::map<long, int> bytes;           // address -> byte of the records written
  std::size_t records = 0;
  bool tooLarge = false;
  bool complete = false;
};

Expected model(const SaveCase& c) {
  Expected e;
  const std::string_view n = c.chosenName;
  e.path = n.ends_with(".hex") || n.ends_with(".HEX") ? c.chosenName : c.chosenName + ".hex";

  const std::string& u = c.units;
  const std::size_t counted = u.size() / 3 + (u.size() % 3 == 2 ? 1 : 0);
  for (std::size_t i = 0; i < counted && !e.badCell; ++i) {
    if (hexValue(u[3 * i]) < 0 || hexValue(u[3 * i + 1]) < 0) e.badCell = i + 1;
  }
  if (e.badCell) return e;

  long start = 0;
  if (c.text5.size() == 4) {
    const auto digit = [&](std::size_t i) { return std::max(0, hexValue(c.text5[i])); };
    start = ((digit(0) * 16 + digit(1)) << 8) + digit(2) * 16 + digit(3);
  }
  for (std::size_t block = 0; 48 * block < u.size(); ++block) {
    std::size_t last = std::min(counted, 16 * block + 16);  // one past the block's last cell
    while (last > 16 * block && u.compare(3 * (last - 1), 2, "FF") == 0) --last;
    if (last == 16 * block) continue;
    const long address = start + static_cast<long>(16 * block);
    if (address > 0xFFFF) {
      e.tooLarge = true;
      return e;
    }
    ++e.records;
    for (std::size_t i = 16 * block; i < last; ++i) {
      e.bytes[address + static_cast<long>(i - 16 * block)] = hexValue(u[3 * i]) * 16 + hexValue(u[3 * i + 1]);
    }
  }
  e.complete = true;
  return e;
}

TEST(WriterFuzz, SavedFilesParseAndHoldTheModelsBytes) {
  const std::uint64_t seed = baseSeed() ^ 0x5A7EULL;
  for (int i = 0; i < caseCount(2000); ++i) {
    Random rnd(seed + static_cast<std::uint64_t>(i));
    const SaveCase c = generate(rnd);
    const Expected e = model(c);
    SCOPED_TRACE("QUORIX_FUZZ_SEED=" + std::to_string(seed + static_cast<std::uint64_t>(i)) + " Text5=\"" + c.text5 +
                 "\" Text1=\"" + c.units.substr(0, 200) + "\"");

    FakeServices ui;
    ui.fields[Field::Text1] = toUtf8(c.units);
    ui.fields[Field::Text5] = toUtf8(c.text5);
    ui.saveAnswers.push_back(DialogAnswer{DialogOutcome::Chosen, c.chosenName});
    if (c.oldFile) ui.files[e.path] = *c.oldFile;
    ui.failWriteAfter = c.failWriteAfter;
    ui.failCommit = c.failCommit;
    saveCommand(ui);

    // The field texts are never changed by a save.
    ASSERT_EQ(ui.fields.at(Field::Text1), toUtf8(c.units));
    ASSERT_EQ(ui.fields.at(Field::Text5), toUtf8(c.text5));
    ASSERT_EQ(ui.openFiles, 0);

    std::vector<std::string> prompts;
    for (const auto& m : ui.messages) prompts.push_back(m.prompt);
    if (c.oldFile && !c.oldFile->empty()) {
      ASSERT_FALSE(prompts.empty());
      ASSERT_EQ(prompts.front(), kOverwritePrompt);
      prompts.erase(prompts.begin());
    }

    const std::size_t lines = e.records + (e.complete ? 1 : 0);
    const bool writeFails = c.failWriteAfter && *c.failWriteAfter < lines;
    const bool kept = e.badCell || writeFails || c.failCommit;
    std::vector<std::string> wanted;
    if (e.badCell) {
      wanted.push_back("第" + std::to_string(*e.badCell) + "个数据不是十六进制数，文件未保存！");
    } else {
      if (e.tooLarge && !writeFails) wanted.emplace_back(kAddressTooLargePrompt);
      if (writeFails || c.failCommit) wanted.emplace_back(kSaveFailedPrompt);
    }
    ASSERT_EQ(prompts, wanted);

    if (kept) {
      // Nothing of a failed or refused save reaches the disk.
      if (c.oldFile) {
        ASSERT_EQ(ui.files.at(e.path), *c.oldFile);
      } else {
        ASSERT_EQ(ui.files.count(e.path), 0U);
      }
      continue;
    }

    ASSERT_EQ(ui.files.count(e.path), 1U);
    const ParsedHex parsed = parseHexFile(ui.files.at(e.path));
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.endRecord, e.complete);
    ASSERT_EQ(static_cast<std::size_t>(parsed.dataRecords), e.records);
    ASSERT_EQ(parsed.bytes, e.bytes);
    ASSERT_FLOAT_EQ(ui.barMax, static_cast<float>(static_cast<double>(c.units.size()) / 3));
  }
}

}  // namespace
}  // namespace quorix::fuzz

// Seeded random images checked by independent readers.
// Reading a file and saving what the reader made of it keeps every data byte
// at its address: images of several ranges, written by srec_cat from binary
// (independent of the writer), read through the open command, saved with the
// start address the reader leaves in Text5, and compared with srec_cmp. Only
// the "FF" bytes that the writer drops may differ, so both files are compared
// with their holes filled with FF.
// Saving the forms that terminals and tools print (xxd -p, 0x lists,
// timestamped logs, address lines) puts every byte where python3-intelhex
// finds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "fake_services.h"
#include "hex_records.h"
#include "open_command.h"
#include "save_command.h"
#include "srec_tools.h"

namespace quorix {
namespace {

struct Range {
  std::uint64_t address = 0;
  std::string bytes;
};

// Several ranges above FFFF with gaps between them, some across the end of a
// 64 KiB range, within a span the reader takes.
std::vector<Range> randomImage(std::mt19937_64& rng) {
  const auto between = [&rng](std::uint64_t lo, std::uint64_t hi) {
    return std::uniform_int_distribution<std::uint64_t>(lo, hi)(rng);
  };
  std::vector<Range> ranges;
  std::uint64_t address = between(0x1, 0xFFF0) << 16U;
  if (between(0, 1) == 0) address += 0x10000 - between(1, 0x200);  // the first range crosses into the next
  const auto count = between(2, 6);
  for (std::uint64_t r = 0; r < count; ++r) {
    Range range{address, {}};
    const auto size = between(1, 40'000);
    for (std::uint64_t i = 0; i < size; ++i) {
      range.bytes.push_back(static_cast<char>(between(0, 7) == 0 ? 0xFF : between(0, 255)));
    }
    ranges.push_back(range);
    address += size + between(1, between(0, 1) == 0 ? 40 : 150'000);
  }
  return ranges;
}

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::SrecTools::installed()) GTEST_SKIP() << "srecord is not installed";
  }
  [[nodiscard]] std::string file(const std::string& name) const { return tools_.path(name); }
  bool quietly(const std::string& command, std::string& errors) const { return tools_.quietly(command, errors); }

  testing::SrecTools tools_;
};

TEST_F(RoundTrip, ReadThenSaveKeepsEveryByteAtItsAddress) {
  std::mt19937_64 rng(0x0A1D'5A7EULL);
  for (int image = 0; image < 6; ++image) {
    SCOPED_TRACE("image " + std::to_string(image));
    const std::vector<Range> ranges = randomImage(rng);
    std::string make = "srec_cat";
    for (std::size_t r = 0; r < ranges.size(); ++r) {
      const std::string bin = file("r" + std::to_string(r) + ".bin");
      std::ofstream(bin, std::ios::binary) << ranges[r].bytes;
      make += " '" + bin + "' -binary -offset " + std::to_string(ranges[r].address);
    }
    std::string errors;
    ASSERT_TRUE(quietly(make + " -o '" + file("in.hex") + "' -intel", errors)) << errors;

    testing::FakeServices ui;
    ui.files["/rt/in.hex"] = tools_.get("in.hex");
    ui.openAnswers.push_back({DialogOutcome::Chosen, "/rt/in.hex"});
    openCommand(ui);
    const std::string text5 = ui.fields[Field::Text5];
    const std::optional<StartAddress> start = startAddress(text5);
    if (!start || !start->extended) GTEST_SKIP() << "the reader left Text5 at \"" << text5 << "\"";
    ASSERT_TRUE(ui.messages.empty()) << ui.messages[0].prompt;

    ui.saveAnswers.push_back({DialogOutcome::Chosen, "/rt/out.hex"});
    saveCommand(ui);
    ASSERT_TRUE(ui.messages.empty()) << ui.messages[0].prompt;
    std::ofstream(file("out.hex"), std::ios::binary) << ui.files["/rt/out.hex"];

    // Cell 0 may lie before the first byte of the image, on fill that the
    // reader adds; the writer puts that back as FF.
    const std::uint64_t first = std::min<std::uint64_t>(start->value, ranges.front().address);
    const std::string fill = " -fill 0xFF " + std::to_string(first) + " " +
                             std::to_string(ranges.back().address + ranges.back().bytes.size());
    EXPECT_TRUE(
        quietly("srec_cmp '" + file("in.hex") + "' -intel" + fill + " '" + file("out.hex") + "' -intel" + fill, errors))
        << errors;
    // Nothing lies outside that span: cropped to it, the saved file is the same.
    EXPECT_TRUE(quietly("srec_cmp '" + file("out.hex") + "' -intel '" + file("out.hex") + "' -intel -crop" +
                            fill.substr(std::string(" -fill 0xFF").size()),
                        errors))
        << errors;
  }
}

// ---- The forms terminals and tools print, saved and read back.

struct Block {
  std::uint64_t address = 0;
  std::vector<unsigned> bytes;
};

// One to four blocks that do not overlap, below 64 KiB for a 16-bit file or
// anywhere below 4 GiB, with FF bytes now and then so that fill is dropped.
std::vector<Block> randomBlocks(std::mt19937_64& rng, bool narrow) {
  const auto between = [&rng](std::uint64_t lo, std::uint64_t hi) {
    return std::uniform_int_distribution<std::uint64_t>(lo, hi)(rng);
  };
  const std::uint64_t top = narrow ? 0x1'0000 : 0x1'0000'0000;
  std::vector<Block> blocks;
  std::uint64_t address = narrow ? between(0, 0x2000) : between(0, 0xFFFF) << between(0, 16);
  for (std::uint64_t n = between(1, 4); n > 0; --n) {
    Block block{address, {}};
    for (std::uint64_t i = between(1, narrow ? 2000 : 5000); i > 0 && address < top; --i, ++address) {
      block.bytes.push_back(between(0, 5) == 0 ? 0xFF : static_cast<unsigned>(between(0, 255)));
    }
    blocks.push_back(block);
    address += between(0, 1) == 0 ? between(0, 40) : between(0x100, narrow ? 0x800 : 0x200'0000);
    if (address >= top) break;
  }
  return blocks;
}

enum class Form { Xxd, ZeroXList, Log, Cells };

std::string hexAddress(std::uint64_t address, bool narrow) {
  std::string digits;
  for (int shift = narrow ? 12 : 28; shift >= 0; shift -= 4) digits += "0123456789ABCDEF"[(address >> shift) & 0xFU];
  return digits;
}

// The blocks in a shuffled order, each after its address line; the first
// may go without one, its address then in `text5`.
std::string print(std::vector<Block> blocks, Form form, bool narrow, std::mt19937_64& rng, std::string& text5) {
  std::shuffle(blocks.begin(), blocks.end(), rng);
  const bool first = rng() % 2 == 0;
  text5 = first ? hexAddress(blocks.front().address, narrow) : "GGGG";  // unread without cells before an address line
  std::string text;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    if (b > 0 || !first) text += "@" + hexAddress(blocks[b].address, narrow) + "\n";
    const std::vector<unsigned>& bytes = blocks[b].bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      switch (form) {
        case Form::Xxd:
          text += testing::hexByte(bytes[i], true);
          if (i % 30 == 29 || i + 1 == bytes.size()) text += "\n";
          break;
        case Form::ZeroXList:
          text += "0x" + testing::hexByte(bytes[i]) + (i % 12 == 11 ? ",\n" : ", ");
          break;
        case Form::Log:
          if (i % 16 == 0) text += "[2026-12-09 11:18:07." + std::to_string(100 + i % 900) + "]收←◆";
          text += testing::hexByte(bytes[i]) + (i % 16 == 15 || i + 1 == bytes.size() ? " \r\n" : " ");
          break;
        case Form::Cells:
          text += testing::hexByte(bytes[i], i % 5 == 0) + " ";
          break;
      }
    }
    if (form != Form::Xxd && form != Form::Log) text += "\n";
  }
  return text;
}

TEST(SaveForms, EveryByteWherePythonIntelhexFindsIt) {
  testing::SrecTools tools;
  if (!testing::SrecTools::intelhexInstalled()) GTEST_SKIP() << "python3-intelhex is not installed";
  std::mt19937_64 rng(0x5A7E'F0A5ULL);
  std::string names;
  for (int n = 0; n < 32; ++n) {
    const auto form = static_cast<Form>(n % 4);
    const bool narrow = n % 8 >= 4;
    const std::vector<Block> blocks = randomBlocks(rng, narrow);
    testing::FakeServices ui;
    ui.fields[Field::Text1] = print(blocks, form, narrow, rng, ui.fields[Field::Text5]);
    ui.saveAnswers.push_back({DialogOutcome::Chosen, "/forms/out.hex"});
    saveCommand(ui);
    ASSERT_TRUE(ui.messages.empty()) << n << ": " << ui.messages[0].prompt << "\n" << ui.fields[Field::Text1];
    const std::string& file = ui.files["/forms/out.hex"];
    EXPECT_EQ(file.find_first_of("abcdef"), std::string::npos) << n;
    EXPECT_EQ(file.find(":02000004") == std::string::npos, narrow) << n;

    std::string expected;
    for (const Block& b : blocks) {
      expected += hexAddress(b.address, false) + " ";
      for (const unsigned v : b.bytes) expected += testing::hexByte(v);
      expected += "\n";
    }
    const std::string name = "f" + std::to_string(n);
    (void)tools.put(name + ".hex", file);
    (void)tools.put(name + ".txt", expected);
    names += " '" + tools.path(name) + "'";
  }
  // Every byte the file holds is the image's; the image's bytes it lacks are FF, dropped as fill.
  const std::string check = tools.put("check.py", R"(import sys
from intelhex import IntelHex
for name in sys.argv[1:]:
    got = {a: v for a, v in IntelHex(name + '.hex').todict().items() if isinstance(a, int)}
    want = {}
    for line in open(name + '.txt'):
        address, digits = line.split()
        for i in range(0, len(digits), 2):
            want[int(address, 16) + i // 2] = int(digits[i:i + 2], 16)
    wrong = [a for a, v in got.items() if want.get(a) != v] + [a for a, v in want.items() if a not in got and v != 0xFF]
    if wrong:
        sys.exit('%s: %d bytes differ, first at %X' % (name, len(wrong), min(wrong)))
)");
  std::string errors;
  EXPECT_TRUE(tools.quietly("/usr/bin/python3 '" + check + "'" + names, errors)) << errors;
}

}  // namespace
}  // namespace quorix

// Randomised reading: generated well-formed files against an address model,
// and mutated or random files for robustness. Seeded; QUORIX_FUZZ_SEED and
// QUORIX_FUZZ_CASES repeat or lengthen a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_services.h"
#include "messages.h"
#include "fuzz_support.h"
#include "reader.h"

namespace quorix::fuzz {
namespace {

using quorix::testing::FakeServices;

constexpr const char* kPath = "/fuzz/in.hex";

// A generated file, and what reading it must give.
struct GeneratedFile {
  std::string text;
  std::string expected;  // byte text
};

// One segment: the data records that follow an address record (or the start
// of the file), ascending and not overlapping, each as its address and cells.
struct Segment {
  std::map<long, std::string> cells;  // address -> "XX " as written in the file
  long first = -1;                    // address of the first data record
  long end = -1;                      // one past the last data byte
};

std::string lineEnd(Random& rnd) {
  static const std::vector<std::string> kEnds = {"\r\n", "\r\n", "\n", "\n", "\r"};
  std::string end = rnd.pick(kEnds);
  // Now and then blank lines, some holding blanks or tabs.
  if (rnd.chance(0.05)) end += rnd.chance(0.5) ? std::string("\r\n") : std::string(" \t\n");
  return end;
}

std::string maybeLower(Random& rnd, std::string line) {
  if (rnd.chance(0.2)) {
    std::transform(line.begin(), line.end(), line.begin(), [](unsigned char c) { return std::tolower(c); });
  }
  return line;
}

std::string randomDataText(Random& rnd, int count) {
  std::string data;
  for (int k = 0; k < count; ++k) data += hexByte(static_cast<unsigned>(rnd.between(0, 255)), rnd.chance(0.1));
  return data;
}

// Well-formed files: one to three segments behind extended address records,
// start address records in between, random line ends and letter case, an
// end-of-file record that is sometimes missing or followed by other text.
GeneratedFile generate(Random& rnd) {
  GeneratedFile out;
  std::vector<Segment> segments;
  const int segmentCount = static_cast<int>(rnd.between(1, 3));
  for (int s = 0; s < segmentCount; ++s) {
    if (s > 0 || rnd.chance(0.3)) {
      const unsigned type = rnd.chance(0.5) ? 4 : 2;
      out.text += recordLine(0, type, hexByte(static_cast<unsigned>(rnd.between(0, 255))) + "00") + lineEnd(rnd);
    }
    Segment seg;
    long address = rnd.chance(0.3) ? rnd.between(0, 0x40) * 0x100 : rnd.between(0, 0x3000);
    const int records = static_cast<int>(rnd.between(0, 12));
    for (int r = 0; r < records; ++r) {
      const int count = rnd.chance(0.03) ? 0 : static_cast<int>(rnd.between(1, rnd.chance(0.1) ? 255 : 32));
      if (address > 0xFFFF || address + count > 0x10000) break;
      const std::string data = randomDataText(rnd, count);
      std::string line = maybeLower(rnd, recordLine(static_cast<unsigned>(address), 0, data));
      out.text += line + lineEnd(rnd);
      if (seg.first < 0) seg.first = address;
      for (int k = 0; k < count; ++k)
        seg.cells[address + k] = line.substr(9 + 2 * static_cast<std::size_t>(k), 2) + " ";
      seg.end = address + count;
      address += count;
      if (rnd.chance(0.4)) address += rnd.between(1, rnd.chance(0.1) ? 2000 : 40);
      if (rnd.chance(0.05)) {
        // A start address record passes unseen, also between data records.
        out.text += recordLine(0, rnd.chance(0.5) ? 3 : 5, randomDataText(rnd, 4)) + lineEnd(rnd);
      }
    }
    segments.push_back(seg);
  }

  const double ending = static_cast<double>(rnd.between(0, 99)) / 100;
  if (ending < 0.85) {
    out.text += ":00000001FF";
    if (rnd.chance(0.8)) out.text += lineEnd(rnd);
    // Whatever follows the end-of-file record is not read.
    if (ending < 0.15) out.text += recordLine(0x0000, 0, "1122") + "\r\n:garbage\r\n";
  }

  // The model: every address of a segment from its first record to its end,
  // filled where no record covers it, and the first page filled before the
  // first data byte of the file.
  bool first = true;
  for (const Segment& seg : segments) {
    if (seg.first < 0) continue;
    if (first) {
      for (long a = 0; a < (seg.first & 0xFF); ++a) out.expected += "FF ";
    }
    first = false;
    for (long a = seg.first; a < seg.end; ++a) {
      const auto it = seg.cells.find(a);
      out.expected += it == seg.cells.end() ? "FF " : it->second;
    }
  }
  return out;
}

// The fake neither copies nor moves; it lives on the heap.
std::unique_ptr<FakeServices> readText(const std::string& text) {
  auto ui = std::make_unique<FakeServices>();
  ui->files[kPath] = text;
  ui->dialogFileName = kPath;
  dakai_hex(*ui);
  return ui;
}

TEST(ReaderFuzz, WellFormedFilesGiveTheModelsCells) {
  const std::uint64_t seed = baseSeed();
  for (int i = 0; i < caseCount(3000); ++i) {
    Random rnd(seed + static_cast<std::uint64_t>(i));
    const GeneratedFile file = generate(rnd);
    SCOPED_TRACE("QUORIX_FUZZ_SEED=" + std::to_string(seed + static_cast<std::uint64_t>(i)) + " file:\n" + file.text);
    const auto owner = readText(file.text);
    const FakeServices& ui = *owner;
    const std::string& text1 = ui.fields.at(Field::Text1);
    ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().prompt;
    ASSERT_TRUE(isWholeCells(text1));
    ASSERT_EQ(text1, file.expected);
    ASSERT_EQ(ui.barMax, static_cast<float>(file.text.size()) + 1);
    ASSERT_TRUE(std::is_sorted(ui.barValueHistory.begin(), ui.barValueHistory.end()));
    ASSERT_LE(ui.barValue, static_cast<float>(file.text.size()));
  }
}

// A data record that begins inside or before the one ahead of it: the read
// stops with the message, and no cell of that record or after it is placed.
TEST(ReaderFuzz, ARecordBeforeTheEndOfThePreviousOneStopsTheRead) {
  const std::uint64_t seed = baseSeed() ^ 0xB0B0ULL;
  for (int i = 0; i < caseCount(1000); ++i) {
    Random rnd(seed + static_cast<std::uint64_t>(i));
    const long first = rnd.between(0, 0x8000);
    const int n1 = static_cast<int>(rnd.between(1, 32));
    const long second = rnd.between(std::max(0L, first - 300), first + n1 - 1);
    const int n2 = static_cast<int>(rnd.between(1, 32));
    const std::string d1 = randomDataText(rnd, n1);
    std::string text = recordLine(static_cast<unsigned>(first), 0, d1) + lineEnd(rnd);
    text += recordLine(static_cast<unsigned>(second), 0, randomDataText(rnd, n2)) + lineEnd(rnd);
    text += recordLine(static_cast<unsigned>(first + n1 + 0x100), 0, "AA") + "\r\n:00000001FF\r\n";
    SCOPED_TRACE("QUORIX_FUZZ_SEED=" + std::to_string(seed + static_cast<std::uint64_t>(i)) + " file:\n" + text);

    std::string expected;
    for (long a = 0; a < (first & 0xFF); ++a) expected += "FF ";
    for (int k = 0; k < n1; ++k) expected += d1.substr(2 * static_cast<std::size_t>(k), 2) + " ";

    const auto owner = readText(text);
    const FakeServices& ui = *owner;
    ASSERT_EQ(ui.messages.size(), 1U);
    ASSERT_EQ(ui.messages.front().prompt, kHexErrorPrompt);
    ASSERT_EQ(ui.fields.at(Field::Text1), expected);
  }
}

std::string mutate(Random& rnd, std::string text) {
  static const std::string kAlphabet = "0123456789ABCDEFabcdef::\r\n \t0G\x7F\xE9\xFF";
  const int mutations = static_cast<int>(rnd.between(1, 4));
  for (int m = 0; m < mutations; ++m) {
    const long size = static_cast<long>(text.size());
    const auto at = static_cast<std::size_t>(rnd.between(0, std::max(0L, size - 1)));
    const char c = rnd.chance(0.8)
                       ? kAlphabet[static_cast<std::size_t>(rnd.between(0, static_cast<long>(kAlphabet.size()) - 1))]
                       : static_cast<char>(rnd.between(0, 255));
    switch (rnd.between(0, 5)) {
      case 0:
        if (!text.empty()) text[at] = c;
        break;
      case 1:
        text.insert(text.begin() + static_cast<long>(std::min(at, text.size())), c);
        break;
      case 2:
        text.erase(std::min(at, text.size()), static_cast<std::size_t>(rnd.between(1, 20)));
        break;
      case 3:
        if (!text.empty()) text.insert(at, text.substr(at, static_cast<std::size_t>(rnd.between(1, 60))));
        break;
      case 4:
        text.resize(std::min(at, text.size()));
        break;
      default: {
        // A line of another record moved to here.
        const std::size_t from = text.find('\n', at);
        if (from != std::string::npos) text.insert(at, text.substr(from + 1, 30));
      }
    }
  }
  return text;
}

std::string randomBytes(Random& rnd) {
  static const std::string kAlphabet = "0123456789ABCDEF:\r\n";
  std::string text(static_cast<std::size_t>(rnd.between(0, 600)), '\0');
  for (char& c : text) {
    c = rnd.chance(0.9) ? kAlphabet[static_cast<std::size_t>(rnd.between(0, static_cast<long>(kAlphabet.size()) - 1))]
                        : static_cast<char>(rnd.between(0, 255));
  }
  return text;
}

void expectSound(const FakeServices& ui) {
  ASSERT_TRUE(isValidUtf8(ui.fields.at(Field::Text1)));
  ASSERT_LE(ui.messages.size(), 1U);
  if (!ui.messages.empty()) {
    ASSERT_EQ(ui.messages.front().prompt, kHexErrorPrompt);
  }
  // The reader touches no other field.
  ASSERT_EQ(ui.fields.at(Field::Text5), "0000");
  ASSERT_EQ(ui.fields.at(Field::Text2), "02000004FFFF");
}

TEST(ReaderFuzz, MutatedAndRandomFilesAreReadSafely) {
  const std::uint64_t seed = baseSeed() ^ 0xF00DULL;
  for (int i = 0; i < caseCount(3000); ++i) {
    Random rnd(seed + static_cast<std::uint64_t>(i));
    const std::string text = rnd.chance(0.7) ? mutate(rnd, generate(rnd).text) : randomBytes(rnd);
    SCOPED_TRACE("QUORIX_FUZZ_SEED=" + std::to_string(seed + static_cast<std::uint64_t>(i)));
    const auto owner = readText(text);
    const FakeServices& ui = *owner;
    expectSound(ui);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace quorix::fuzz

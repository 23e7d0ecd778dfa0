// Randomised reading: generated well-formed files against an address model
// and against a real tool's reading, and mutated or random files for
// robustness. Seeded; QUORIX_FUZZ_SEED and
// QUORIX_FUZZ_CASES repeat or lengthen a run.
#include <gtest/gtest.h>

#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_services.h"
#include "fuzz_support.h"
#include "messages.h"
#include "open_command.h"

namespace quorix::fuzz {
namespace {

using quorix::testing::FakeServices;

constexpr const char* kPath = "/fuzz/in.hex";

// A generated file, and what reading it must give.
struct GeneratedFile {
  std::string text;
  std::string expected;     // byte text
  std::uint64_t first = 0;  // address of cell 0
  bool endRecord = true;
};

// Line ends: CR LF, LF or CR, now and then with blank lines, some holding
// blanks or tabs. `plain` keeps to CR LF and LF, as the reference tool reads them.
std::string lineEnd(Random& rnd, bool plain) {
  if (plain) return rnd.chance(0.5) ? "\r\n" : "\n";
  static const std::vector<std::string> kEnds = {"\r\n", "\r\n", "\n", "\n", "\r"};
  std::string end = rnd.pick(kEnds);
  if (rnd.chance(0.05)) end += rnd.chance(0.5) ? std::string("\r\n") : std::string(" \t\n");
  return end;
}

std::string maybeLower(Random& rnd, std::string line) {
  if (rnd.chance(0.2)) {
    std::transform(line.begin(), line.end(), line.begin(), [](unsigned char c) { return std::tolower(c); });
  }
  return line;
}

std::string randomDataText(Random& rnd, long count) {
  std::string data;
  for (long k = 0; k < count; ++k) data += hexByte(static_cast<unsigned>(rnd.between(0, 255)), rnd.chance(0.1));
  return data;
}

// How far the next data lie beyond the previous ones: mostly contiguous,
// now and then a gap, rarely one across several 64 KiB ranges.
std::uint64_t gap(Random& rnd) {
  const long kind = rnd.between(0, 99);
  if (kind < 50) return 0;
  if (kind < 85) return static_cast<std::uint64_t>(rnd.between(1, 40));
  if (kind < 98) return static_cast<std::uint64_t>(rnd.between(1, 0x2000));
  return static_cast<std::uint64_t>(rnd.between(0x10000, 0x20000));
}

// Well-formed files of data records at ascending full addresses: behind 02
// and 04 records (repeated now and then), with gaps, jumps across 64 KiB
// boundaries, empty data records and start address records in between,
// random letter case, and an end-of-file record that is sometimes missing or
// followed by other text (not with `plain`).
GeneratedFile generate(Random& rnd, bool plain = false) {
  GeneratedFile out;
  std::map<std::uint64_t, std::string> cells;  // full address -> "XX " as written
  std::uint64_t base = 0;                      // of the latest address record
  bool segmented = false;
  std::uint64_t next = static_cast<std::uint64_t>(rnd.chance(0.5) ? rnd.between(0, 0x3000) : 0);
  const auto addressRecord = [&](unsigned type, std::uint64_t value) {
    out.text +=
        recordLine(0, type, hexByte(static_cast<unsigned>(value >> 8U)) + hexByte(static_cast<unsigned>(value))) +
        lineEnd(rnd, plain);
    segmented = type == 2;
    base = segmented ? value * 16 : value << 16U;
  };
  const long steps = rnd.between(1, 24);
  for (long step = 0; step < steps; ++step) {
    const long what = rnd.between(0, 99);
    if (what < 5) {
      // The same base again.
      addressRecord(segmented ? 2 : 4, segmented ? base / 16 : base >> 16U);
    } else if (what < 8) {
      out.text += recordLine(0, rnd.chance(0.5) ? 3 : 5, randomDataText(rnd, 4)) + lineEnd(rnd, plain);
    } else if (what < 10) {
      out.text += recordLine(static_cast<unsigned>(rnd.between(0, 0xFFFF)), 0, "") + lineEnd(rnd, plain);
    } else {
      const std::uint64_t address = next + gap(rnd);
      long count = rnd.between(1, rnd.chance(0.1) ? 255 : 32);
      // An 02 base reaches 64 KiB above it; an 04 base the whole range.
      if (address < base || address - base > 0xFFFF || rnd.chance(0.1)) {
        if (address < 0x100000 && rnd.chance(0.5)) {
          addressRecord(2, (address >> 4U) - std::min<std::uint64_t>(address >> 4U, rnd.between(0, 0xFFF)));
        } else {
          addressRecord(4, address >> 16U);
        }
      }
      const std::uint64_t offset = address - base;
      if (segmented) count = std::min<long>(count, static_cast<long>(0x10000 - offset));
      const std::string line =
          maybeLower(rnd, recordLine(static_cast<unsigned>(offset), 0, randomDataText(rnd, count)));
      out.text += line + lineEnd(rnd, plain);
      for (long k = 0; k < count; ++k) cells[address + k] = line.substr(9 + 2 * static_cast<std::size_t>(k), 2) + " ";
      next = address + static_cast<std::uint64_t>(count);
    }
  }

  out.endRecord = rnd.chance(0.85);
  if (out.endRecord) {
    out.text += ":00000001FF";
    if (plain || rnd.chance(0.8)) {
      out.text += lineEnd(rnd, plain);
      // Whatever follows the end-of-file record is not read.
      if (!plain && rnd.chance(0.15)) out.text += recordLine(0x0000, 0, "1122") + "\r\n:garbage\r\n";
    }
  }

  // The model: every address from the start of the first data byte's page to
  // the last data byte, filled where no record covers it.
  if (!cells.empty()) {
    out.first = cells.begin()->first & ~std::uint64_t{0xFF};
    std::uint64_t a = out.first;
    for (const auto& [address, cell] : cells) {
      for (; a < address; ++a) out.expected += "FF ";
      out.expected += cell;
      ++a;
    }
  }
  return out;
}

// Text5 as the model says it: four digits while the byte text ends at or below FFFF.
std::string expectedStart(const GeneratedFile& file) {
  const bool wide = file.first + file.expected.size() / 3 > 0x10000;
  std::string digits;
  for (int shift = wide ? 28 : 12; shift >= 0; shift -= 4) digits += "0123456789ABCDEF"[(file.first >> shift) & 0xFU];
  return digits;
}

// The fake neither copies nor moves; it lives on the heap.
std::unique_ptr<FakeServices> readText(const std::string& text) {
  auto ui = std::make_unique<FakeServices>();
  ui->files[kPath] = text;
  ui->openAnswers.push_back({DialogOutcome::Chosen, kPath});
  openCommand(*ui);
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
    if (file.endRecord) {
      ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().prompt;
    } else {
      ASSERT_EQ(ui.messages.size(), 1U);
      ASSERT_EQ(ui.messages.front().prompt, kMissingEndRecordPrompt);
    }
    ASSERT_TRUE(isWholeCells(text1));
    ASSERT_EQ(text1, file.expected);
    ASSERT_EQ(ui.fields.at(Field::Text5), file.expected.empty() ? "0000" : expectedStart(file));
    ASSERT_EQ(ui.barMax, static_cast<float>(file.text.size()) + 1);
    ASSERT_TRUE(std::is_sorted(ui.barValueHistory.begin(), ui.barValueHistory.end()));
    ASSERT_LE(ui.barValue, static_cast<float>(file.text.size()));
  }
}

// The same kind of files read by a real tool: srec_cat fills the addresses
// from cell 0's page to the last data byte with FF and writes them as binary,
// which the reader's cells must spell byte for byte.
TEST(ReaderFuzz, MultiSegmentFilesReadAsTheReferenceToolReadsThem) {
  if (std::system("command -v srec_cat >/dev/null 2>&1") != 0) GTEST_SKIP() << "srec_cat (srecord) is not installed";
  std::string pattern = (std::filesystem::temp_directory_path() / "quorix-reader-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const std::filesystem::path dir = pattern;
  const std::string hexPath = (dir / "in.hex").string();
  const std::string binPath = (dir / "out.bin").string();

  const std::uint64_t seed = baseSeed() ^ 0x5EC0ULL;
  for (int i = 0; i < caseCount(100); ++i) {
    Random rnd(seed + static_cast<std::uint64_t>(i));
    const GeneratedFile file = generate(rnd, true);
    if (!file.endRecord || file.expected.empty()) continue;
    SCOPED_TRACE("QUORIX_FUZZ_SEED=" + std::to_string(seed + static_cast<std::uint64_t>(i)) + " file:\n" + file.text);
    std::ofstream(hexPath, std::ios::binary) << file.text;
    const std::string first = std::to_string(file.first);
    const std::string end = std::to_string(file.first + file.expected.size() / 3);
    const std::string command = "srec_cat '" + hexPath + "' -intel -fill 0xFF " + first + " " + end + " -offset -" +
                                first + " -o '" + binPath + "' -binary 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(binPath, std::ios::binary);
    const std::string image{std::istreambuf_iterator<char>(in), {}};

    const auto ui = readText(file.text);
    const std::string& text1 = ui->fields.at(Field::Text1);
    ASSERT_TRUE(isWholeCells(text1));
    std::string bytes;
    for (std::size_t c = 0; c < text1.size(); c += 3) {
      bytes.push_back(static_cast<char>(hexValue(text1[c]) * 16 + hexValue(text1[c + 1])));
    }
    ASSERT_EQ(bytes.size(), image.size());
    ASSERT_TRUE(bytes == image) << "first difference at cell "
                                << std::mismatch(bytes.begin(), bytes.end(), image.begin()).first - bytes.begin();
  }
  std::filesystem::remove_all(dir);
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
    std::string text = recordLine(static_cast<unsigned>(first), 0, d1) + lineEnd(rnd, false);
    text += recordLine(static_cast<unsigned>(second), 0, randomDataText(rnd, n2)) + lineEnd(rnd, false);
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

// Whatever the file, the field holds whole cells and Text5 names an address
// that the text fits behind; at most one message, one of the reader's own.
void expectSound(const FakeServices& ui) {
  const std::string& text1 = ui.fields.at(Field::Text1);
  ASSERT_TRUE(isWholeCells(text1));
  ASSERT_LE(text1.size(), kMaxReadCells * 3);
  ASSERT_LE(ui.messages.size(), 1U);
  if (!ui.messages.empty()) {
    const std::string& prompt = ui.messages.front().prompt;
    const bool lineMessage = prompt.starts_with("Hex文件第") && prompt.ends_with("，请重新编译！");
    ASSERT_TRUE(lineMessage || prompt == kHexErrorPrompt || prompt == kSpanTooLargePrompt ||
                prompt == kMissingEndRecordPrompt)
        << prompt;
  }
  const std::string& text5 = ui.fields.at(Field::Text5);
  if (text1.empty()) {
    ASSERT_EQ(text5, "0000");
  } else {
    ASSERT_TRUE(text5.size() == 4 || text5.size() == 8) << text5;
    ASSERT_TRUE(std::all_of(text5.begin(), text5.end(), [](char c) { return hexValue(c) >= 0; })) << text5;
    if (text5.size() == 4) {
      ASSERT_LE(std::stoul(text5, nullptr, 16) + text1.size() / 3, 0x10000U) << text5;
    }
  }
  // The reader touches no other field.
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

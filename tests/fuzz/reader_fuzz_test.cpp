// Randomised reading: generated well-formed files against an address model
// and against a real tool's reading, and mutated or random files for
// robustness. Seeded; QUORIX_FUZZ_SEED and
// QUORIX_FUZZ_CASES repeat or lengthen a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "byte_text_writer.h"
#include "fake_services.h"
#include "fuzz_support.h"
#include "messages.h"
#include "open_command.h"
#include "srec_tools.h"

namespace quorix::fuzz {
namespace {

using quorix::testing::FakeServices;
using quorix::testing::record;

constexpr const char* kPath = "/fuzz/in.hex";

// A generated file, and what reading it must give.
struct GeneratedFile {
  std::string text;
  std::string expected;  // byte text
  std::string start;     // Text5 after the read
  bool endRecord = true;
};

// The byte text of an image given as its cells ("XX ") by address: blocks
// split at gaps of 64 KiB or more, each from its first byte's 256-byte page,
// "FF " between; an address line before each block when there are several.
// `start` gets what Text5 shows: the first block's address, in eight digits
// once the text reaches past FFFF.
std::string expectedText(const std::map<std::uint64_t, std::string>& cells, std::string& start) {
  std::vector<std::pair<std::uint64_t, std::string>> blocks;
  std::uint64_t next = 0;
  for (const auto& [address, cell] : cells) {
    if (blocks.empty() || address - next >= 0x10000) {
      next = address & ~std::uint64_t{0xFF};
      blocks.emplace_back(next, "");
    }
    for (; next < address; ++next) blocks.back().second += "FF ";
    blocks.back().second += cell;
    next = address + 1;
  }
  const auto digits = [](std::uint64_t value, int count) {
    std::string out;
    for (int shift = 4 * (count - 1); shift >= 0; shift -= 4) out += "0123456789ABCDEF"[(value >> shift) & 0xFU];
    return out;
  };
  start = blocks.empty() ? "0000" : digits(blocks.front().first, next > 0x10000 ? 8 : 4);
  if (blocks.size() == 1) return blocks.front().second;
  std::string text;
  for (const auto& [address, blockCells] : blocks) {
    text += (text.empty() ? "@" : "\n@") + digits(address, 8) + "\n" + blockCells;
  }
  return text;
}

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

  out.expected = expectedText(cells, out.start);
  return out;
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
    ASSERT_EQ(text1, file.expected);
    ASSERT_EQ(ui.fields.at(Field::Text5), file.start);
    ASSERT_EQ(ui.barMax, static_cast<float>(file.text.size()) + 1);
    ASSERT_TRUE(std::is_sorted(ui.barValueHistory.begin(), ui.barValueHistory.end()));
    ASSERT_LE(ui.barValue, static_cast<float>(file.text.size()));
  }
}

// A file of records in any order: data at random addresses, with gaps
// just below and at 64 KiB among others and now and then up to FFFFFFFF,
// cut into records that do not cross a 64 KiB boundary, shuffled, some
// repeated, and an 02 or 04 record wherever the base must change. Now and
// then one record is repeated with one byte changed.
struct ShuffledFile {
  std::string text;
  std::string reference;  // its records once each, in address order, for the reference tool
  std::string overlap;    // the message the changed repeat brings; empty without one
};

ShuffledFile shuffledFile(Random& rnd) {
  struct Record {
    std::uint64_t address;
    std::vector<unsigned> data;
    int id;  // repeats share it
  };
  std::vector<Record> records;
  std::uint64_t next = static_cast<std::uint64_t>(rnd.between(0, 0xFFFFF));
  const long chunks = rnd.between(1, 6);
  for (long c = 0; c < chunks; ++c) {
    const std::uint64_t length = static_cast<std::uint64_t>(rnd.between(1, 300));
    if (c > 0) {
      const std::vector<long> gaps = {0xFFFF, 0x10000, rnd.between(1, 0x200), rnd.between(0x10001, 0x3000000)};
      next += static_cast<std::uint64_t>(rnd.pick(gaps));
    }
    if (c == chunks - 1 && rnd.chance(0.3)) next = std::max(next, 0x100000000 - length);
    if (next + length > 0x100000000) break;
    for (std::uint64_t end = next + length; next < end;) {
      const std::uint64_t count =
          std::min({static_cast<std::uint64_t>(rnd.between(1, 32)), end - next, 0x10000 - (next & 0xFFFF)});
      Record r{next, {}, static_cast<int>(records.size())};
      for (std::uint64_t k = 0; k < count; ++k) r.data.push_back(static_cast<unsigned>(rnd.between(0, 255)));
      records.push_back(r);
      next += count;
    }
  }
  std::vector<Record> all = records;
  for (const Record& r : records) {
    if (rnd.chance(0.15)) all.push_back(r);
  }
  const bool changed = rnd.chance(0.3);
  const int original = changed ? rnd.pick(records).id : 0;
  if (changed) {
    Record r = records[static_cast<std::size_t>(original)];
    r.data[static_cast<std::size_t>(rnd.between(0, static_cast<long>(r.data.size()) - 1))] ^= 0x5AU;
    r.id = -1;
    all.push_back(r);
  }
  for (std::size_t i = all.size(); i > 1; --i)
    std::swap(all[i - 1], all[static_cast<std::size_t>(rnd.between(0, static_cast<long>(i) - 1))]);

  // The lines of the records, numbered from 1, with base records before them as needed.
  const auto emit = [&rnd](const std::vector<Record>& list, std::vector<std::size_t>* lineOf) {
    std::string text;
    std::size_t line = 0;
    std::uint64_t base = 0;
    bool segmented = false;
    for (const Record& r : list) {
      const bool fits = segmented ? r.address >= base && r.address - base + r.data.size() <= 0x10000
                                  : r.address >> 16U == base >> 16U;
      if (!fits || rnd.chance(0.05)) {
        segmented = r.address < 0x100000 && rnd.chance(0.5);
        base = r.address & ~std::uint64_t{0xFFFF};
        const std::uint64_t value = segmented ? base >> 4U : base >> 16U;
        text +=
            record(0, segmented ? 2 : 4, {static_cast<unsigned>(value >> 8U), static_cast<unsigned>(value & 0xFFU)}) +
            "\r\n";
        ++line;
      }
      text += record(static_cast<unsigned>(r.address - base), 0, r.data) + "\r\n";
      if (lineOf != nullptr) lineOf->push_back(++line);
    }
    return text + ":00000001FF\r\n";
  };
  ShuffledFile out;
  std::vector<std::size_t> lineOf;
  out.text = emit(all, &lineOf);
  out.reference = emit(records, nullptr);
  if (changed) {
    // The record's lines in the file's order: the first line that differs
    // from the first one names the overlap.
    std::vector<std::pair<std::size_t, bool>> group;  // line, is the changed one
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i].id == original || all[i].id < 0) group.emplace_back(lineOf[i], all[i].id < 0);
    }
    std::sort(group.begin(), group.end());
    const auto first =
        std::find_if(group.begin(), group.end(), [&group](const auto& g) { return g.second != group[0].second; });
    out.overlap = overlapPrompt(first->first, group[0].first);
  }
  return out;
}

// Shuffled multi-block files against python3-intelhex: the text spells the
// bytes it reads at their addresses, laid out in blocks; a changed repeat is
// refused with its lines and leaves the field as it was.
TEST(ReaderFuzz, ShuffledMultiBlockFilesReadAsTheReferenceToolReadsThem) {
  if (!testing::SrecTools::intelhexInstalled()) GTEST_SKIP() << "python3-intelhex is not installed";
  const testing::SrecTools tools;
  const std::uint64_t seed = baseSeed() ^ 0x5EC0ULL;
  const int count = caseCount(200);
  std::vector<ShuffledFile> files;
  // One run for all files: each file's ranges as "address digits" lines, then "-".
  const std::string script = tools.put(
      "read.py",
      "import sys\nfrom intelhex import IntelHex\nfor p in sys.argv[1:]:\n  h = IntelHex(p)\n"
      "  for s, e in h.segments(): print('%x %s' % (s, h.tobinstr(start=s, size=e - s).hex()))\n  print('-')\n");
  std::string command = "/usr/bin/python3 '" + script + "' >'" + tools.path("out.txt") + "'";
  for (int i = 0; i < count; ++i) {
    Random rnd(seed + static_cast<std::uint64_t>(i));
    files.push_back(shuffledFile(rnd));
    command += " '" + tools.put(std::to_string(i) + ".hex", files.back().reference) + "'";
  }
  ASSERT_EQ(tools.run(command), 0);
  std::ifstream results(tools.path("out.txt"));
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE("QUORIX_FUZZ_SEED=" + std::to_string(seed + static_cast<std::uint64_t>(i)) + " file:\n" +
                 files[static_cast<std::size_t>(i)].text);
    std::map<std::uint64_t, std::string> cells;
    for (std::string line; std::getline(results, line) && line != "-";) {
      const std::size_t space = line.find(' ');
      std::uint64_t address = std::stoull(line.substr(0, space), nullptr, 16);
      for (std::size_t d = space + 1; d + 1 < line.size(); d += 2) cells[address++] = line.substr(d, 2) + " ";
    }
    const auto owner = readText(files[static_cast<std::size_t>(i)].text);
    const FakeServices& ui = *owner;
    if (!files[static_cast<std::size_t>(i)].overlap.empty()) {
      ASSERT_EQ(ui.messages.size(), 1U);
      ASSERT_EQ(ui.messages.front().prompt, files[static_cast<std::size_t>(i)].overlap);
      ASSERT_EQ(ui.fields.at(Field::Text1), kDefaultByteText);
      continue;
    }
    ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().prompt;
    std::string start;
    std::string expected = expectedText(cells, start);
    std::transform(expected.begin(), expected.end(), expected.begin(), [](unsigned char c) { return std::toupper(c); });
    ASSERT_EQ(ui.fields.at(Field::Text1), expected);
    ASSERT_EQ(ui.fields.at(Field::Text5), start);
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

// Whatever the file: a refusal leaves the field and Text5 as they were; else
// the field holds whole cells, in blocks after address lines, and Text5
// names an address the text fits behind. At most one message, one of the
// reader's own.
void expectSound(const FakeServices& ui) {
  const std::string& text1 = ui.fields.at(Field::Text1);
  const std::string& text5 = ui.fields.at(Field::Text5);
  ASSERT_LE(ui.messages.size(), 1U);
  if (!ui.messages.empty() && ui.messages.front().prompt != kMissingEndRecordPrompt) {
    const std::string& prompt = ui.messages.front().prompt;
    const bool lineMessage = prompt.starts_with("Hex文件第") && prompt.ends_with("，请重新编译！");
    ASSERT_TRUE(lineMessage || prompt == kDataTooLargePrompt || prompt == kNoRecordsPrompt) << prompt;
    ASSERT_EQ(text1, kDefaultByteText);
    ASSERT_EQ(text5, "0000");
    return;
  }
  ASSERT_TRUE(isByteText(text1));
  ASSERT_LE(static_cast<std::uint64_t>(std::count(text1.begin(), text1.end(), ' ')), kMaxReadCells);
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

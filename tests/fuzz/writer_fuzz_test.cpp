// Randomised saving: random byte texts in the terminals' layouts and random
// start addresses, with now and then a broken run, an existing file or a
// failing disk. Every file written must parse as Intel HEX and hold exactly
// the bytes of an address model; a failed save leaves the old file as it was.
// Seeded like the reader's test.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "byte_text.h"
#include "fake_services.h"
#include "fuzz_support.h"
#include "messages.h"
#include "save_command.h"

namespace quorix::fuzz {
namespace {

using quorix::testing::DialogAnswer;
using quorix::testing::FakeServices;

// Stands for one character outside ASCII in the model's text; the field gets "é".
constexpr char kForeign = '\x01';
const std::string kSeparatorChars = " \t\r\n,;-";

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

std::string randomByte(Random& rnd) {
  const long kind = rnd.between(0, 99);
  if (kind < 25) return "FF";
  if (kind < 30) return "ff";
  return hexByte(static_cast<unsigned>(rnd.between(0, 255)), rnd.chance(0.1));
}

std::string generateText(Random& rnd) {
  static const std::vector<std::string> kSeparators = {" ", " ", " ", "\t", ",", ";", "-", "\r\n", "  ", " \r\n"};
  const long bytes = rnd.chance(0.02) ? rnd.between(10'000, 12'000) : rnd.between(0, 80);
  const std::string usual = rnd.chance(0.7) ? " " : rnd.pick(kSeparators);
  const bool hexStrings = rnd.chance(0.15);  // runs of several bytes, none of one
  std::string text;
  for (long i = 0; i < bytes; ++i) {
    text += randomByte(rnd);
    const bool endRun = !hexStrings || rnd.chance(0.2);
    if (endRun && i + 1 < bytes) text += rnd.chance(0.05) ? rnd.pick(kSeparators) : usual;
  }
  if (!text.empty() && rnd.chance(0.6)) text += usual;
  if (rnd.chance(0.1))
    text += std::string(rnd.chance(0.8) ? " " : "") + hexByte(static_cast<unsigned>(rnd.between(0, 15))).substr(1);
  if (!text.empty() && rnd.chance(0.15)) {
    static const std::vector<char> kBad = {'G', 'z', ' ', '\n', '0', kForeign};
    const auto at = static_cast<std::size_t>(rnd.between(0, static_cast<long>(text.size()) - 1));
    if (rnd.chance(0.5)) {
      text[at] = rnd.pick(kBad);
    } else {
      text.insert(at, 1, rnd.pick(kBad));
    }
  }
  return text;
}

std::string generateStart(Random& rnd) {
  std::string digits;
  const long kind = rnd.between(0, 99);
  if (kind < 55) {
    const long start = rnd.chance(0.3) ? rnd.between(0xFF80, 0xFFFF) : rnd.between(0, 0xFFFF);
    digits = hexByte(static_cast<unsigned>(start >> 8), rnd.chance(0.2)) + hexByte(static_cast<unsigned>(start & 0xFF));
    digits.erase(0, static_cast<std::size_t>(rnd.between(0, 3)));  // 1 to 4 digits
  } else if (kind < 85) {
    // Near the end of a 64 KiB range, or near the top.
    const auto upper = static_cast<unsigned>(rnd.chance(0.2) ? 0xFFFF : rnd.between(0, 0xFFFF));
    const auto lower = static_cast<unsigned>(rnd.chance(0.5) ? rnd.between(0xFF80, 0xFFFF) : rnd.between(0, 0xFFFF));
    digits = hexByte(upper >> 8U) + hexByte(upper & 0xFFU, true) + hexByte(lower >> 8U) + hexByte(lower & 0xFFU);
    digits.erase(0, static_cast<std::size_t>(rnd.between(0, 3)));  // 5 to 8 digits
  } else {
    static const std::vector<std::string> kOdd = {
        "", "0x10", "G0F0", "123456789", std::string(1, kForeign) + "0F0", "12 34", "-1"};
    digits = rnd.pick(kOdd);
  }
  if (rnd.chance(0.1)) digits = " " + digits + "\t";
  return digits;
}

SaveCase generate(Random& rnd) {
  SaveCase c;
  c.units = generateText(rnd);
  c.text5 = generateStart(rnd);
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
  std::optional<std::size_t> badLine;  // counting from 1
  bool badStart = false;
  bool extended = false;
  std::map<long, int> bytes;  // address -> byte of the records written
  std::size_t records = 0;    // data records
  std::size_t ranges = 0;     // 64 KiB ranges with data, each with its extended address record
  bool tooLarge = false;
  bool complete = false;
  float barMax = 0;
  std::vector<float> bar;
};

// The text's lines, each as its runs, the lone digit that may end the text dropped.
std::vector<std::vector<std::string>> linesOf(const std::string& u) {
  std::vector<std::vector<std::string>> lines(1);
  std::string run;
  for (std::size_t i = 0; i <= u.size(); ++i) {
    const char c = i < u.size() ? u[i] : '\n';
    if (kSeparatorChars.find(c) == std::string::npos) {
      run += c;
      continue;
    }
    if (!run.empty()) lines.back().push_back(run);
    run.clear();
    if (c == '\n' || (c == '\r' && (i + 1 >= u.size() || u[i + 1] != '\n'))) lines.emplace_back();
  }
  const bool endsInLoneDigit =
      u.size() >= 2 && hexValue(u.back()) >= 0 && kSeparatorChars.find(u[u.size() - 2]) != std::string::npos;
  if (endsInLoneDigit) lines[lines.size() - 2].pop_back();
  return lines;
}

// The digits, two per byte, or where the text is refused. Each line holds
// cells when some run has two characters, hex strings otherwise.
void readModel(const std::string& u, Expected& e, std::string& digits) {
  const std::vector<std::vector<std::string>> lines = linesOf(u);
  const auto hex = [](const std::string& r) {
    return std::all_of(r.begin(), r.end(), [](char c) { return hexValue(c) >= 0; });
  };
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::vector<std::string>& runs = lines[k];
    const bool cellsOfTwo = std::any_of(runs.begin(), runs.end(), [](const std::string& r) { return r.size() == 2; });
    if (!cellsOfTwo && runs.size() >= 2 && hex(runs[0]) && runs[0].size() >= 4 && runs[0].size() <= 8 &&
        runs[0].size() != runs[1].size()) {
      e.badLine = k + 1;  // an offset column
      return;
    }
    for (const std::string& r : runs) {
      if (!hex(r) || (cellsOfTwo ? r.size() != 2 : r.size() % 2 != 0)) {
        e.badCell = digits.size() / 2 + 1;
        return;
      }
      digits += r;
    }
  }
  if (digits.empty()) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < u.size(); ++i) {
      if (std::string_view(" \t\r\n").find(u[i]) == std::string_view::npos) {
        e.badLine = line;
        return;
      }
      if (u[i] == '\n' || (u[i] == '\r' && (i + 1 >= u.size() || u[i + 1] != '\n'))) ++line;
    }
  }
}

Expected model(const SaveCase& c) {
  Expected e;
  const std::string_view n = c.chosenName;
  e.path = n.ends_with(".hex") || n.ends_with(".HEX") ? c.chosenName : c.chosenName + ".hex";

  std::string digits;
  readModel(c.units, e, digits);
  if (e.badCell || e.badLine) return e;

  std::string t5 = c.text5;
  while (!t5.empty() && (t5.front() == ' ' || t5.front() == '\t')) t5.erase(0, 1);
  while (!t5.empty() && (t5.back() == ' ' || t5.back() == '\t')) t5.pop_back();
  if (t5.starts_with("0x") || t5.starts_with("0X")) {
    t5.erase(0, 2);
    e.badStart = t5.empty();
  }
  long long start = 0;
  for (const char ch : t5) {
    if (hexValue(ch) < 0) e.badStart = true;
    start = start * 16 + std::max(0, hexValue(ch));
  }
  e.badStart = e.badStart || t5.size() > 8;
  if (e.badStart) return e;
  e.extended = t5.size() > 4;
  const long long top = e.extended ? 0x1'0000'0000LL : 0x1'0000LL;

  // Text laid out as the reader writes it keeps the old measure of the bar:
  // a third of its length, a block for every 48 characters begun.
  const std::string& u = c.units;
  bool readerLayout = true;
  for (std::size_t i = 0; i < u.size(); ++i)
    readerLayout = readerLayout && (i % 3 == 2 ? u[i] == ' ' : hexValue(u[i]) >= 0);
  const std::size_t cells = digits.size() / 2;
  e.barMax = readerLayout ? static_cast<float>(static_cast<double>(u.size()) / 3) : static_cast<float>(cells);
  const std::size_t blocks = readerLayout ? (u.size() + 47) / 48 : (cells + 15) / 16;

  std::map<long long, bool> rangesSeen;
  for (std::size_t block = 0; block < blocks; ++block) {
    const std::size_t from = std::min(cells, 16 * block);
    std::size_t last = std::min(cells, 16 * block + 16);  // one past the block's last cell
    e.bar.push_back(static_cast<float>(last));
    while (last > from && digits.compare(2 * (last - 1), 2, "FF") == 0) --last;
    long long recordRange = -1;
    for (std::size_t i = from; i < last; ++i) {
      const long long address = start + static_cast<long long>(i);
      if (address >= top) {
        e.tooLarge = true;
        return e;
      }
      if (address >> 16 != recordRange) ++e.records;  // a block is split where a range ends
      recordRange = address >> 16;
      rangesSeen[recordRange] = true;
      e.ranges = e.extended ? rangesSeen.size() : 0;
      e.bytes[static_cast<long>(address)] = hexValue(digits[2 * i]) * 16 + hexValue(digits[2 * i + 1]);
    }
  }
  e.complete = true;
  return e;
}

// Reads a written file with the independent parser, one 64 KiB range at a
// time: the lines after an extended linear address record hold that range's
// data, with 16-bit addresses that must not run past its end.
ParsedHex parseRanges(std::string_view file, bool extended, std::size_t& addressRecords) {
  constexpr std::string_view kAddressRecord = ":02000004";
  ParsedHex all;
  long upper = extended ? -1 : 0;
  std::size_t pos = 0;
  while (pos < file.size() && all.error.empty()) {
    if (file.substr(pos).starts_with(kAddressRecord)) {
      const std::size_t end = file.find("\r\n", pos);
      const std::string digits(file.substr(pos + kAddressRecord.size(), 4));
      const long value = std::stol(digits, nullptr, 16);
      if (!extended || file.substr(pos, end - pos) != recordLine(0, 4, digits) || value <= upper) {
        all.error = "misplaced address record " + std::string(file.substr(pos, end - pos));
      }
      upper = value;
      ++addressRecords;
      pos = end + 2;
    }
    const std::size_t next = std::min(file.find(kAddressRecord, pos), file.size());
    const ParsedHex part = parseHexFile(file.substr(pos, next - pos));
    if (!part.error.empty()) all.error = part.error;
    if (all.endRecord || (upper < 0 && part.dataRecords > 0)) all.error = "data outside a range";
    if (part.dataRecords == 0 && next < file.size()) all.error = "address record without data";
    for (const auto& [address, value] : part.bytes) {
      if (address > 0xFFFF) all.error = "record across the end of a range";
      all.bytes[(upper << 16) + address] = value;
    }
    all.dataRecords += part.dataRecords;
    all.endRecord = part.endRecord;
    pos = next;
  }
  return all;
}

TEST(WriterFuzz, SavedFilesParseAndHoldTheModelsBytes) {
  const std::uint64_t seed = baseSeed() ^ 0x5A7EULL;
  for (int i = 0; i < caseCount(2000); ++i) {
    Random rnd(seed + static_cast<std::uint64_t>(i));
    const SaveCase c = generate(rnd);
    // A text that happens to begin like a dump's offset column is read by
    // the dump reader, whose own tests cover it; the model here knows the
    // terminal forms only.
    if (readDumpOrArray(toUtf8(c.units))) continue;
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

    const std::size_t lines = e.records + e.ranges + (e.complete ? 1 : 0);
    const bool refused = e.badCell || e.badLine || e.badStart || e.tooLarge;
    const bool writeFails = !refused && c.failWriteAfter && *c.failWriteAfter < lines;
    const bool kept = refused || writeFails || c.failCommit;
    std::vector<std::string> wanted;
    if (e.badCell) {
      wanted.push_back(nonHexPrompt(*e.badCell));
    } else if (e.badLine) {
      wanted.push_back(unrecognisedLinePrompt(*e.badLine));
    } else if (e.badStart) {
      wanted.emplace_back(kBadStartAddressPrompt);
    } else if (e.tooLarge) {
      wanted.push_back(std::string(kAddressTooLargePrompt) +
                       (e.extended ? std::string() : "\n" + std::string(kBeyondFFFFAdvice)));
    } else if (writeFails || c.failCommit) {
      wanted.emplace_back(kSaveFailedPrompt);
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
    std::size_t addressRecords = 0;
    const ParsedHex parsed = parseRanges(ui.files.at(e.path), e.extended, addressRecords);
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.endRecord, e.complete);
    ASSERT_EQ(static_cast<std::size_t>(parsed.dataRecords), e.records);
    ASSERT_EQ(addressRecords, e.ranges);
    ASSERT_EQ(parsed.bytes, e.bytes);
    ASSERT_FLOAT_EQ(ui.barMax, e.barMax);
    ASSERT_EQ(ui.barValueHistory, e.bar);
  }
}

}  // namespace
}  // namespace quorix::fuzz

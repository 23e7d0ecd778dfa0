// Offset dumps and C arrays read as byte text: a table of small texts, and
// random images printed by the real dump tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#include "byte_text.h"

namespace {

using quorix::TextBytes;
using quorix::TextRun;

// "+ADDR:DIGITS" per run after the start address, "@ADDR:DIGITS" per absolute
// run ("w" when it asks for a 32-bit file); a refusal as its message and the
// line it names; "none" when the text is no dump and no array.
std::string describe(std::string_view text, const std::optional<TextBytes>& read) {
  if (!read) return "none";
  if (read->refusal) {
    const std::size_t line = 1 + std::count(text.begin(), text.begin() + read->refusalAt, '\n');
    return *read->refusal + " (line " + std::to_string(line) + ")";
  }
  std::string out;
  char address[24];
  for (const TextRun& run : read->runs) {
    std::snprintf(address, sizeof address, "%llX", static_cast<unsigned long long>(run.address));
    out += (out.empty() ? "" : " ") + std::string(run.origin == TextRun::Origin::DumpOffset ? "@" : "+") + address +
           (run.wide ? "w" : "") + ":" + read->digits.substr(2 * run.first, 2 * run.count);
  }
  if (read->barMax != static_cast<float>(read->digits.size() / 2)) out += " barMax?";
  return out;
}

std::string unrecognised(int line) {
  return "第" + std::to_string(line) + "行不是可以识别的字节数据，文件未保存！ (line " + std::to_string(line) + ")";
}
std::string group(int line) {
  return "第" + std::to_string(line) + "行的数据是多字节的组，无法确定字节顺序，文件未保存！ (line " +
         std::to_string(line) + ")";
}
std::string offset(int line) {
  return "第" + std::to_string(line) + "行的偏移地址与前面的数据个数不符，文件未保存！ (line " + std::to_string(line) +
         ")";
}

TEST(DumpReader, SmallDumpsAndArrays) {
  const std::string line16 = "00 11 22 33 44 55 66 77  88 99 aa bb cc dd ee ff";
  const std::string bytes16 = "00112233445566778899aabbccddeeff";
  const struct {
    std::string text;
    std::string expected;
  } rows[] = {
      // Every offset shape, character columns never read.
      {"00000000: 0102 0304 0506 0708 090a 0b0c 0d0e 0f10  ....:...........\n00000010: 1112 13      ...\n",
       "+0:0102030405060708090a0b0c0d0e0f10111213"},
      {"0x08000000: 01 02 03 04\n0x08000004: AA BB\n", "@8000000w:01020304AABB"},
      {"00000000  " + line16 + "  |..\"3DUfw........|\n*\n00000030  01 02  |..|\n00000032\n",
       "+0:" + bytes16 + bytes16 + bytes16 + "0102"},
      {"000000 41 42 43 44  >ABCD<\n*\n00000c 45  >E<\n00000d\n", "+0:41424344414243444142434445"},
      {"00000000  7b 7c 3c 3e  |{|<>|\n00000004\n", "+0:7b7c3c3e"},
      {"000000 3e 3c  ><<\n", "+0:3e3c"},
      {"00000000: 01 \t.A\n00000001: 02\n", "+0:0102"},
      // Gaps start blocks; absolute offsets ask for 32 bits only above FFFF.
      {"00000000: 0102\n00000010: 03\n", "+0:0102 +10:03"},
      {"0000fffe: 0102\n00010010: 03\n", "@FFFE:0102 @10010w:03"},
      {"fffffe 01 02\n1000000 03\n1000001\n", "@FFFFFEw:010203"},
      // Byte-order mark, every line end, the no-break space.
      {"\xEF\xBB\xBF"
       "000000 01 02\r\n000002\xC2\xA0"
       "03\xE2\x80\xA8"
       "000003 04\r000004",
       "+0:01020304"},
      // C arrays.
      {"unsigned char a_bin[] = {\n  0x01, 0x2, 0xAb,\n};\nunsigned int a_bin_len = 3;\n", "+0:0102Ab"},
      {"static const std::uint8_t fw[4] PROGMEM = { 0x01,0x02 , 0X03,0x04 };", "+0:01020304"},
      {"{0x1}", "+0:01"},
      // Neither.
      {"hello", "none"},
      {"00000000 01 02", "none"},
      {"0102 0304", "none"},
      // Refusals.
      {"000000 0201 0403\n000004\n", group(1)},
      {"0000000 0201 0403\n0000004\n", offset(1)},
      {"0000000 01 02 03\n", offset(1)},
      {"000000 01\n0000001 02\n", offset(2)},
      {"00000000: 01020304\n00000002: 05\n", offset(2)},
      {"00000000  01 02 03 04\n*\n00000006  05\n", offset(3)},
      {"000000 01 02\n000001\n", offset(2)},
      {"00000000  01\n*\n*\n00000003\n", unrecognised(3)},
      {"00000000  01\n*\n", unrecognised(2)},
      {"00000000  00\n*\n04000001\n", unrecognised(2)},
      {"000000 01\n000001\n000001 02\n", unrecognised(3)},
      {"00000000: 01\n000001 02\n", unrecognised(2)},
      {"00000000  01 02  |..\n", unrecognised(1)},
      {"00000000  |..|\n", unrecognised(1)},
      {"00000000: 012\n", unrecognised(1)},
      {"000000 01\n000001 0G\n", unrecognised(2)},
      {"000000\n", unrecognised(1)},
      {"unsigned char a[] = {1, 2};", unrecognised(1)},
      {"unsigned char a[] = {0x01,\n 017};", unrecognised(2)},
      {"{0x01,,0x02}", unrecognised(1)},
      {"{0x01 0x02}", unrecognised(1)},
      {"{0x123}", unrecognised(1)},
      {"a[] = {0x01};\nb[] = {0x02};", unrecognised(2)},
      {"// fw\nconst uint8_t a[] = {0x01};", unrecognised(1)},
      {"unsigned char a[] = {\n0x01\n};\nunsigned int a_len = 2;\n", unrecognised(4)},
      {"unsigned char a[] = {\n0x01,\n0x02\n", unrecognised(3)},
      {"{0x01,\n\n", unrecognised(1)},
      {"unsigned char e[] = {\n};\nunsigned int e_len = 0;\n", unrecognised(1)},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(describe(row.text, quorix::readDumpOrArray(row.text)), row.expected) << row.text;
  }
}

// A dump printed by a real tool, and the bytes it must give at their address.
struct Printed {
  std::string command;
  std::uint64_t address = 0;  // the first offset: 0 means "after the start address"
  std::size_t skipped = 0;    // bytes of the image the tool was told to skip
};

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// Random bytes in lines of 16, many lines repeating the one before, so that
// hexdump and od print "*" lines.
std::string randomImage(std::mt19937& random) {
  std::string bytes;
  const std::size_t lines = random() % 12;
  for (std::size_t n = 0; n < lines; ++n) {
    const bool repeat = n > 0 && random() % 2 == 0;
    for (std::size_t i = 0; i < 16; ++i) {
      bytes.push_back(repeat ? bytes[bytes.size() - 16] : static_cast<char>(random() % 4 == 0 ? 0 : random()));
    }
  }
  for (std::size_t n = 1 + random() % 16; n > 0; --n) bytes.push_back(static_cast<char>(random()));
  return bytes;
}

std::vector<Printed> printWithTools(const std::string& path, std::size_t size, std::mt19937& random) {
  const std::string file = " '" + path + "'";
  const std::size_t skipped = random() % std::min<std::size_t>(size, 20);
  const std::string skip = std::to_string(skipped);
  const std::string width = random() % 2 == 0 ? "8" : "16";
  const char* groups[] = {"1", "2", "4", "8"};
  return {
      {"xxd -g " + std::string(groups[random() % 4]) + " -c " + width + file},
      {"xxd -o 0x08000000" + file, 0x08000000},
      {"xxd -i" + file},
      {"hexdump -C" + file},
      {"hexdump -C -s " + skip + file, skipped, skipped},
      {"od -A x -t x1z -w" + width + file},
      {"od -A x -t x1z -v" + file},
      {"od -A x -t x1z -j " + skip + file, skipped, skipped},
  };
}

TEST(DumpReader, WhatTheToolsPrintGivesTheImage) {
  if (std::system("{ command -v xxd && command -v hexdump && command -v od; } >/dev/null") != 0) {
    GTEST_SKIP() << "xxd, hexdump (bsdextrautils) or od is not installed";
  }
  const std::string path = ::testing::TempDir() + "dump_reader_image.bin";
  std::mt19937 random(27);
  for (int round = 0; round < 30; ++round) {
    const std::string image = randomImage(random);
    std::ofstream(path, std::ios::binary) << image;
    for (const Printed& printed : printWithTools(path, image.size(), random)) {
      const std::string text = run(printed.command);
      const std::optional<TextBytes> read = quorix::readDumpOrArray(text);
      ASSERT_TRUE(read && !read->refusal) << printed.command << "\n" << describe(text, read) << text;

      // The bytes from the first offset on, in one run unless a gap split them.
      std::string expected;
      for (std::size_t i = printed.skipped; i < image.size(); ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(image[i]));
        expected += digits;
      }
      ASSERT_EQ(read->runs.size(), 1U) << printed.command;
      const TextRun& first = read->runs.front();
      EXPECT_EQ(first.address, printed.address) << printed.command;
      EXPECT_EQ(first.origin, printed.address == 0 ? TextRun::Origin::AfterStart : TextRun::Origin::DumpOffset);
      EXPECT_EQ(read->digits, expected) << printed.command << "\n" << text;
    }
  }
}

}  // namespace

// Shared pieces of the randomised tests: a seeded generator, and an Intel HEX
// parser that knows nothing of the program's own code, so that it can serve
// as an independent check of the results; records are built by hex_records.h.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "hex_records.h"

namespace quorix::fuzz {

// The base seed: QUORIX_FUZZ_SEED when set, so that a failure reported with
// its seed can be run again; otherwise a fixed value, so that runs repeat.
inline std::uint64_t baseSeed() {
  if (const char* s = std::getenv("QUORIX_FUZZ_SEED")) return std::strtoull(s, nullptr, 0);
  return 0x5158'4F52'4958ULL;
}

#if defined(__SANITIZE_ADDRESS__)
inline constexpr int kCaseDivisor = 5;  // unoptimised sanitizer builds run some thirty times slower
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr int kCaseDivisor = 5;
#else
inline constexpr int kCaseDivisor = 1;
#endif
#else
inline constexpr int kCaseDivisor = 1;
#endif

// Cases per test: QUORIX_FUZZ_CASES when set (for longer runs by hand), else
// `fallback`, fewer under the sanitizers so that each test stays at a few seconds.
inline int caseCount(int fallback) {
  if (const char* s = std::getenv("QUORIX_FUZZ_CASES")) return std::atoi(s);
  return fallback / kCaseDivisor;
}

class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}

  // A value from lo to hi, both included.
  long between(long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(engine_); }
  bool chance(double p) { return std::bernoulli_distribution(p)(engine_); }
  template <class T>
  const T& pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(between(0, static_cast<long>(items.size()) - 1))];
  }

 private:
  std::mt19937_64 engine_;
};

// The record builder and digit helpers the tests share.
using testing::hexByte;
using testing::hexValue;
using testing::recordLine;

// A strict reading of an Intel HEX file as the program writes it: CR LF after
// every line, data records (00) and one end-of-file record (01) last.
struct ParsedHex {
  std::map<long, int> bytes;  // address -> byte value
  int dataRecords = 0;
  bool endRecord = false;
  std::string error;  // empty when the file is well formed
};

inline ParsedHex parseHexFile(std::string_view file) {
  ParsedHex out;
  std::size_t pos = 0;
  int lineNo = 0;
  while (pos < file.size()) {
    ++lineNo;
    const std::size_t end = file.find("\r\n", pos);
    if (end == std::string_view::npos) {
      out.error = "line " + std::to_string(lineNo) + " has no CR LF";
      return out;
    }
    const std::string_view line = file.substr(pos, end - pos);
    pos = end + 2;
    const auto fail = [&](const std::string& why) {
      out.error = "line " + std::to_string(lineNo) + " (" + std::string(line) + "): " + why;
    };
    if (out.endRecord) {
      fail("follows the end-of-file record");
      return out;
    }
    if (line.size() < 11 || line[0] != ':' || line.size() % 2 == 0) {
      fail("not a record");
      return out;
    }
    std::vector<int> values;
    for (std::size_t i = 1; i < line.size(); i += 2) {
      const int hi = hexValue(line[i]);
      const int lo = hexValue(line[i + 1]);
      if (hi < 0 || lo < 0) {
        fail("non-hexadecimal digit");
        return out;
      }
      values.push_back(hi * 16 + lo);
    }
    const int count = values[0];
    if (static_cast<std::size_t>(count) + 5 != values.size()) {
      fail("byte count does not match the length");
      return out;
    }
    int sum = 0;
    for (const int v : values) sum += v;
    if ((sum & 0xFF) != 0) {
      fail("wrong checksum");
      return out;
    }
    const long address = values[1] * 256L + values[2];
    const int type = values[3];
    if (type == 1) {
      if (count != 0 || address != 0) {
        fail("unusual end-of-file record");
        return out;
      }
      out.endRecord = true;
    } else if (type == 0) {
      if (count == 0) {
        fail("empty data record");
        return out;
      }
      ++out.dataRecords;
      for (int k = 0; k < count; ++k) {
        if (!out.bytes.emplace(address + k, values[4 + static_cast<std::size_t>(k)]).second) {
          fail("address written twice");
          return out;
        }
      }
    } else {
      fail("unexpected record type");
      return out;
    }
  }
  return out;
}

inline bool isWholeCells(std::string_view text) {
  if (text.size() % 3 != 0) return false;
  for (std::size_t i = 0; i < text.size(); i += 3) {
    if (hexValue(text[i]) < 0 || hexValue(text[i + 1]) < 0 || text[i + 2] != ' ') return false;
  }
  return true;
}

// Byte text as the reader writes it: whole cells, in blocks after address
// lines ("@", eight digits, a line break) when there are several.
inline bool isByteText(std::string_view text) {
  if (!text.starts_with('@')) return isWholeCells(text);
  if (text.ends_with('\n')) return false;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::string_view line = text.substr(pos, 10);
    if (line.size() < 10 || line[0] != '@' || line[9] != '\n' ||
        !std::all_of(line.begin() + 1, line.begin() + 9, [](char c) { return hexValue(c) >= 0; })) {
      return false;
    }
    const std::size_t end = std::min(text.find('\n', pos + 10), text.size());
    if (!isWholeCells(text.substr(pos + 10, end - pos - 10))) return false;
    pos = end + 1;
  }
  return true;
}

inline bool isValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    if (c < 0x80U) {
      extra = 0;
    } else if ((c & 0xE0U) == 0xC0U) {
      extra = 1;
    } else if ((c & 0xF0U) == 0xE0U) {
      extra = 2;
    } else if ((c & 0xF8U) == 0xF0U) {
      extra = 3;
    } else {
      return false;
    }
    if (i + extra >= s.size() && extra != 0) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0U) != 0x80U) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace quorix::fuzz

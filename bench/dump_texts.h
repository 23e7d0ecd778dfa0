// A random image printed as the dump tools print it, and as the field holds
// it, for the benchmarks of the readers and of the window.
#pragma once

#include <cstdio>
#include <random>
#include <string>

namespace quorix::bench {

inline std::string image(std::size_t size) {
  std::mt19937 random(16);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

inline void putByte(std::string& out, unsigned char byte) {
  out.push_back("0123456789abcdef"[byte >> 4U]);
  out.push_back("0123456789abcdef"[byte & 0xFU]);
}

inline char printable(char c) { return c >= ' ' && c <= '~' ? c : '.'; }

// As `xxd` prints it: "00000000: 0102 0304 ...  ................".
inline std::string xxd(const std::string& bytes) {
  std::string out;
  char offset[32];
  for (std::size_t line = 0; line < bytes.size(); line += 16) {
    std::snprintf(offset, sizeof offset, "%08zx: ", line);
    out += offset;
    for (std::size_t i = 0; i < 16; ++i) {
      putByte(out, static_cast<unsigned char>(bytes[line + i]));
      if (i % 2 == 1) out.push_back(' ');
    }
    out.push_back(' ');
    for (std::size_t i = 0; i < 16; ++i) out.push_back(printable(bytes[line + i]));
    out.push_back('\n');
  }
  return out;
}

// As `hexdump -C` prints it: "00000000  01 02 ... 08  09 ... 10  |................|".
inline std::string hexdumpC(const std::string& bytes) {
  std::string out;
  char offset[32];
  for (std::size_t line = 0; line < bytes.size(); line += 16) {
    std::snprintf(offset, sizeof offset, "%08zx  ", line);
    out += offset;
    for (std::size_t i = 0; i < 16; ++i) {
      putByte(out, static_cast<unsigned char>(bytes[line + i]));
      out += i == 7 ? "  " : " ";
    }
    out += " |";
    for (std::size_t i = 0; i < 16; ++i) out.push_back(printable(bytes[line + i]));
    out += "|\n";
  }
  std::snprintf(offset, sizeof offset, "%08zx\n", bytes.size());
  return out + offset;
}

// As `xxd -i` prints it: twelve "0x01, " items a line.
inline std::string xxdI(const std::string& bytes) {
  std::string out = "unsigned char image_bin[] = {\n";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += i % 12 == 0 ? "  0x" : " 0x";
    putByte(out, static_cast<unsigned char>(bytes[i]));
    if (i + 1 < bytes.size()) out += i % 12 == 11 ? ",\n" : ",";
  }
  return out + "\n};\nunsigned int image_bin_len = " + std::to_string(bytes.size()) + ";\n";
}

// As the window holds it: "01 02 03 ".
inline std::string cells(const std::string& bytes) {
  std::string out;
  for (const char byte : bytes) {
    putByte(out, static_cast<unsigned char>(byte));
    out.push_back(' ');
  }
  return out;
}

}  // namespace quorix::bench

// Reading a 16 MiB image as the dump tools print it, beside reading the same
// image as cells: the throughput (bytes per second of text) compares the two.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <utility>

#include "byte_text.h"
#include "byte_text_reader.h"
#include "hex.h"
#include "text_places.h"

namespace {

std::string image(std::size_t size) {
  std::mt19937 random(16);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

void putByte(std::string& out, unsigned char byte) {
  out.push_back("0123456789abcdef"[byte >> 4U]);
  out.push_back("0123456789abcdef"[byte & 0xFU]);
}

char printable(char c) { return c >= ' ' && c <= '~' ? c : '.'; }

// As `xxd` prints it: "00000000: 0102 0304 ...  ................".
std::string xxd(const std::string& bytes) {
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
std::string hexdumpC(const std::string& bytes) {
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
std::string xxdI(const std::string& bytes) {
  std::string out = "unsigned char image_bin[] = {\n";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += i % 12 == 0 ? "  0x" : " 0x";
    putByte(out, static_cast<unsigned char>(bytes[i]));
    if (i + 1 < bytes.size()) out += i % 12 == 11 ? ",\n" : ",";
  }
  return out + "\n};\nunsigned int image_bin_len = " + std::to_string(bytes.size()) + ";\n";
}

// As the window holds it: "01 02 03 ".
std::string cells(const std::string& bytes) {
  std::string out;
  for (const char byte : bytes) {
    putByte(out, static_cast<unsigned char>(byte));
    out.push_back(' ');
  }
  return out;
}

void readDump(benchmark::State& state, std::string (*print)(const std::string&)) {
  const std::string text = print(image(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    const std::optional<quorix::TextBytes> read = quorix::readDumpOrArray(text);
    if (!read || read->refusal || read->digits.size() != 2 * static_cast<std::size_t>(state.range(0))) {
      state.SkipWithError("the dump was not read whole");
    }
    benchmark::DoNotOptimize(read->digits.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void ReadXxd(benchmark::State& state) { readDump(state, xxd); }
void ReadHexdumpC(benchmark::State& state) { readDump(state, hexdumpC); }
void ReadXxdI(benchmark::State& state) { readDump(state, xxdI); }
BENCHMARK(ReadXxd)->Arg(16 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadHexdumpC)->Arg(16 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadXxdI)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

// The terminal-cell reading the save command does on the same image, for comparison.
void ReadCells(benchmark::State& state) {
  const std::string text = cells(image(static_cast<std::size_t>(state.range(0))));
  std::string units;
  for (auto _ : state) {
    state.PauseTiming();
    units = text;
    state.ResumeTiming();
    benchmark::DoNotOptimize(quorix::readByteText(std::move(units)).digits.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ReadCells)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

// The same read with the place of every byte, and the addresses the save
// would give them: what the window's status row needs after each change.
void PlaceCells(benchmark::State& state) {
  const std::string text = cells(image(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(quorix::placeText(text, "08000000").cells());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(PlaceCells)->Arg(1400000)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

// Reading a 16 MiB image as the dump tools print it, beside reading the same
// image as cells: the throughput (bytes per second of text) compares the two.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "byte_text.h"
#include "byte_text_reader.h"
#include "dump_texts.h"
#include "hex.h"
#include "text_places.h"

namespace {

using quorix::bench::cells;
using quorix::bench::hexdumpC;
using quorix::bench::image;
using quorix::bench::xxd;
using quorix::bench::xxdI;

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

// Saving whole images through the writer, with the recording fake standing in
// for the window and the disk.
#include <benchmark/benchmark.h>

#include <string>

#include "fake_services.h"
#include "hex.h"
#include "writer.h"

namespace {

// `cells` cells of byte text, with no all-FF blocks, so every block is a record.
std::string byteText(unsigned cells) {
  std::string text;
  text.reserve(cells * 3UL);
  for (unsigned i = 0; i < cells; ++i) text += quorix::Hexx(static_cast<long long>((i * 7U) % 0xFEU)) + " ";
  return text;
}

void SaveImage(benchmark::State& state) {
  const std::string text = byteText(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    quorix::testing::FakeServices ui;
    ui.fields[quorix::Field::Text1] = text;
    ui.saveAnswers.push_back({quorix::DialogOutcome::Chosen, "/image.hex"});
    quorix::saveCommand(ui);
    benchmark::DoNotOptimize(ui.files["/image.hex"].data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
// 65,536 cells (196,608 characters): a whole 64 KiB image.
BENCHMARK(SaveImage)->Arg(10912)->Arg(65536)->Unit(benchmark::kMillisecond);

// The block arithmetic alone, without the fake's recording.
void WriteRecords(benchmark::State& state) {
  const std::string units = byteText(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    std::size_t bytes = 0;
    quorix::writeRecords(
        units, 0,
        [&bytes](std::string_view line) {
          bytes += line.size() + 2;
          return true;
        },
        [](std::size_t value) { benchmark::DoNotOptimize(value); });
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(WriteRecords)->Arg(65536)->Unit(benchmark::kMillisecond);

}  // namespace
